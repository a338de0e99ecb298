#include "camera/CameraLink.h"
#include "program/Program.h"
#include "sim/SimCamera.h"

namespace kor {

// The simulated camera that --simulator plugs in, on the program's clock.
std::unique_ptr<UsbBus> makeSimulatedCameraBus(Program& program)
{
    return std::make_unique<sim::SimCameraBus>(std::make_shared<sim::SimCamera>(program.clock));
}

} // namespace kor
