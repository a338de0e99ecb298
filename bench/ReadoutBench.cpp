#include "Ratio.h"
#include "camera/CameraCommands.h"
#include "camera/CameraLink.h"
#include "camera/Rearrange.h"
#include "display/Display.h"
#include "messages/MessageSink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/ProgressReporter.h"
#include "program/Program.h"
#include "sim/SimCamera.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// A camera that answers each frame read with bytes the simulated camera sent
// once, so that its rendering of the sky is not part of the measurement.
class ReplayDevice final : public kor::UsbDevice {
public:
    explicit ReplayDevice(std::shared_ptr<std::vector<std::uint8_t>> fields) : m_fields(std::move(fields)) {}
    kor::UsbStatus bulkWrite(std::span<const std::uint8_t>, std::uint32_t) override { return kor::UsbStatus::Ok; }
    kor::UsbStatus bulkRead(std::span<std::uint8_t> target, std::uint32_t, std::size_t& received) override
    {
        const std::size_t half = m_fields->size() / 2;
        const std::size_t n = std::min(target.size(), half);
        std::memcpy(target.data(), m_fields->data() + (m_second ? half : 0), n);
        m_second = !m_second;
        received = n;
        return n == target.size() ? kor::UsbStatus::Ok : kor::UsbStatus::Io;
    }

private:
    std::shared_ptr<std::vector<std::uint8_t>> m_fields;
    bool m_second = false;
};

class ReplayBus final : public kor::UsbBus {
public:
    explicit ReplayBus(std::shared_ptr<std::vector<std::uint8_t>> fields) : m_fields(std::move(fields)) {}
    kor::UsbStatus listDevices(std::vector<kor::UsbDeviceInfo>& devices) override
    {
        devices = {{1, 5, kor::kCameraVendorId, kor::kCameraProductId, 0}};
        return kor::UsbStatus::Ok;
    }
    std::unique_ptr<kor::UsbDevice> open(const kor::UsbDeviceInfo&, kor::UsbStatus& status) override
    {
        status = kor::UsbStatus::Ok;
        return std::make_unique<ReplayDevice>(m_fields);
    }

private:
    std::shared_ptr<std::vector<std::uint8_t>> m_fields;
};

struct ReadoutProgram {
    ReadoutProgram()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kor-bench-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        program =
            std::make_unique<kor::Program>(kor::Paths(root), kor::ProgramServices{messages, clock, events, progress});
        program->startUp();
        program->settings.showInterfaceDetails = 'n';
    }
    ~ReadoutProgram()
    {
        program.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::filesystem::path root;
    kor::RecordingMessageSink messages;
    kor::VirtualClock clock;
    kor::QuietEventPump events;
    kor::NullProgressReporter progress;
    std::unique_ptr<kor::Program> program;
};

void readBothFields(kor::Program& program)
{
    kor::CameraLink& camera = program.camera;
    camera.ReadField = 1;
    camera.SecondHalf = false;
    kor::ReadFullField(program);
    camera.ReadField = 2;
    camera.SecondHalf = true;
    kor::ReadFullField(program);
    camera.SecondHalf = false;
}

// From the end of a full-resolution exposure to the picture ready to show:
// both field reads, the conversion, the rearrangement and the redisplay.
void BM_ReadoutToDisplay(benchmark::State& state)
{
    ReadoutProgram b;
    kor::Program& program = *b.program;
    program.camera.ExposureMs = 500;

    // One frame from the simulated camera, kept as it came off the wire.
    auto sim = std::make_shared<kor::sim::SimCamera>(b.clock);
    program.camera.bus = std::make_unique<kor::sim::SimCameraBus>(sim);
    kor::FindCamera(program);
    kor::ClearSensor(program);
    readBothFields(program);
    auto fields = std::make_shared<std::vector<std::uint8_t>>(
        program.camera.ReadoutBytes.data(), program.camera.ReadoutBytes.data() + kor::kReadoutBytesCapacity);

    program.camera.CameraHandle.reset();
    program.camera.CameraPresent = false;
    program.camera.bus = std::make_unique<ReplayBus>(fields);
    kor::FindCamera(program);
    program.workspace.BinnedMode = false;
    program.workspace.SetGeometry();
    for (auto _ : state) {
        readBothFields(program);
        kor::ArrangeReadout(program, 1);
        const auto result = kor::buildDisplayBitmap(program, {}, {}, {});
        benchmark::DoNotOptimize(result);
    }
    if (!b.messages.messages.empty())
        state.SkipWithError("the replayed reads failed");
}
BENCHMARK(BM_ReadoutToDisplay)->Unit(benchmark::kMillisecond);
KOR_RATIO("readout-to-display", "BM_ReadoutToDisplay", "BM_CopyFullPlane", "memcpy");

} // namespace
