#pragma once

#include "settings/Settings.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kor {

class MessageSink;
class Paths;

// Length of a complete settings file.
inline constexpr std::size_t kSettingsFileSize = 1435;

// Result codes of the settings file, as the callers turn them into messages 23, 24 or 27.
enum class SettingsResult : int {
    Ok = 0,
    LoadFailed = 2,
    SaveFailed = 3,
};

// The file's bytes for the values held, with the write limits applied.
std::vector<std::uint8_t> encodeSettings(const Settings& settings);

// Writes the settings file in the root directory (creating the directory when
// missing). The old file is replaced only when the new one is complete.
SettingsResult SaveSettings(const Settings& settings, const Paths& paths);

// Loads the settings file from the root directory into `settings`, field by
// field, with the checks, rewrites and short-read rules of the format. When the
// root directory does not exist yet it is created and the values held are
// written as the new file.
SettingsResult LoadSettings(Settings& settings, const Paths& paths, MessageSink& sink);

// How decoding a file's bytes ended.
struct DecodeOutcome {
    enum class End {
        Complete,   // every field read
        ShortRead,  // the bytes ended inside field `field`
        Damaged,    // field `field` failed its check: the file must be rewritten
    };
    End end = End::Complete;
    int field = 0;
};

// Decodes the bytes into `settings`, storing each field as it is read and
// showing the messages the format gives (comm port value, cut in fields 63-71).
DecodeOutcome decodeSettings(std::span<const std::uint8_t> bytes, Settings& settings, MessageSink& sink);

// One line per field: "<number> <name> <value>".
std::string listSettings(const Settings& settings);

} // namespace kor
