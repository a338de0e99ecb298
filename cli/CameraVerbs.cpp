#include "cli/Cli.h"

#include "camera/CameraCommands.h"
#include "camera/CameraLink.h"
#include "messages/Messages.h"

namespace kor::cli {

void addCameraVerbs(VerbTable& verbs)
{
    verbs.push_back({"camera-info",
                     {},
                     "find the camera; print its firmware version, sensor temperature and product id",
                     [](Context& ctx, const std::vector<std::string>&) {
                         Program& program = ctx.program;
                         if (!program.camera.CameraPresent)
                             FindCamera(program);
                         if (!program.camera.CameraPresent) {
                             ShowMessage(program.messages, kMsgOwnText, "Sorry, No camera found on USB");
                             return false;
                         }
                         if (!ReadFirmwareVersion(program) || !CoolerExchange(program))
                             return false;
                         const CameraLink& camera = program.camera;
                         std::fprintf(ctx.out, "firmware %d.%d\n", camera.FirmwareMajor, camera.FirmwareMinor);
                         std::fprintf(ctx.out, "temperature %d C\n", camera.SensorTemperature);
                         std::fprintf(ctx.out, "product id %s\n", camera.CameraProductId.c_str());
                         return true;
                     }});
}

} // namespace kor::cli
