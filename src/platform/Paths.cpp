#include "platform/Paths.h"

#include <cstdlib>

namespace kor {

Paths Paths::fromEnvironment()
{
    if (const char* home = std::getenv("KOR_T53K_HOME"); home && *home)
        return Paths(home);
    if (const char* home = std::getenv("HOME"); home && *home)
        return Paths(std::filesystem::path(home) / "autosave");
    return Paths(std::filesystem::path("autosave"));
}

} // namespace kor
