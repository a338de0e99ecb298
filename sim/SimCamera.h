#pragma once

#include "camera/UsbBus.h"
#include "platform/Clock.h"
#include "sim/SimSky.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kor::sim {

// A device on one of the camera's two serial ports (the mount, the
// adaptive-optics unit, a serial filter wheel).
class SimSerialDevice {
public:
    virtual ~SimSerialDevice() = default;
    // Bytes the program sent through the camera.
    virtual void receive(std::span<const std::uint8_t> bytes) = 0;
    // Up to `count` bytes the device has sent since the last call.
    virtual std::vector<std::uint8_t> transmit(std::size_t count) = 0;
};

// The sensor cooler: the temperature moves toward the set point (or the
// ambient temperature when off, or the coldest it can reach when forced) at a
// finite rate.
struct SimCooler {
    double ambientC = 15;
    double temperatureC = 15;
    double setPointC = 15;
    double degreesPerSecond = 0.1;
    double deepestBelowAmbient = 45;
    bool on = false;
    bool forced = false;

    void advance(std::uint32_t elapsedMs);
};

// What kind of read the camera last answered with an image.
enum class SimRead {
    None,
    FullField,    // 5232 x 975, field 1 or 2
    BothFields,   // 5232 x 975, both fields summed
    ColourBinned, // 5232 x 975 binned 4 x 1, field 1 or 2
    MonoBinned2,  // binned 2 x 1, both fields
    MonoBinned4,  // binned 4 x 2, both fields
    Focus,        // 256 x 32, field 1 or 2
    FocusBinned,  // 512 x 64 binned 2 x 1, both fields
    Window,       // any other imaging window (sub-frames)
    Guider,
};

struct SimCameraConfig {
    SimSkyConfig sky;
    std::int16_t firmwareMajor = 1;
    std::int16_t firmwareMinor = 11;
    // Pointing drift while a guide-port output is held, pixels per second.
    double guideRatePixelsPerSecond = 1.0;
    // How long a full readout takes in (virtual) time.
    std::uint32_t readoutMs = 1500;
};

// The simulated camera at the protocol level: it parses every command block
// the program writes and answers the following read with the bytes a camera
// sends, images in the sensor's readout order. Each image it sends is kept, in
// image order, as the ground truth the program's rearranged image must equal.
// Time is the program's Clock, so exposures cost no real time in tests.
class SimCamera {
public:
    explicit SimCamera(Clock& clock, SimCameraConfig config = {});
    ~SimCamera();

    UsbStatus write(std::span<const std::uint8_t> block);
    UsbStatus read(std::span<std::uint8_t> target, std::uint32_t timeoutMs, std::size_t& received);

    // Faults on demand, each for the next operation of its kind.
    void failNextWrite() { m_failWrites = true; }
    void shortenNextRead() { m_shortRead = true; }
    void timeOutNextRead() { m_timeOutRead = true; }
    // Pulls the plug: every later operation fails and the bus no longer lists it.
    void unplug() { m_plugged = false; }
    bool plugged() const { return m_plugged; }

    SimSky sky;
    SimCooler cooler;
    // Where the sky has moved in the images, in full-resolution pixels: the
    // mount, the adaptive-optics unit and the guide-port outputs move it.
    double pointingX = 0, pointingY = 0;
    std::int16_t firmwareMajor, firmwareMinor;

    std::uint8_t guideOutputs() const { return m_guideOutputs; }
    void attachSerialDevice(int port, SimSerialDevice* device);

    // The last image sent, in image order, and its geometry.
    SimRead truthKind() const { return m_kind; }
    const std::vector<std::uint16_t>& truth() const { return m_truth; }
    int truthWidth() const { return m_truthWidth; }
    int truthHeight() const { return m_truthHeight; }
    // The last guider frame, 8 bits, at the geometry of the read.
    const std::vector<std::uint8_t>& guiderTruth() const { return m_guiderTruth; }
    // Exposure of the last image, in ms.
    std::uint32_t lastExposureMs() const { return m_lastExposureMs; }

    // The blocks received (the most recent few thousand), and how many broke the block format.
    std::vector<std::vector<std::uint8_t>> blocks;
    // The clock reading at which each of `blocks` arrived.
    std::vector<std::uint32_t> blockTimesMs;
    int protocolErrors = 0;

private:
    struct Pending;
    void advanceTime();
    void startImage(const Pending& p, std::uint32_t exposureMs);
    std::vector<std::uint8_t> replyFor(const Pending& p);

    Clock& m_clock;
    SimCameraConfig m_config;
    std::uint32_t m_lastUpdateMs;
    std::uint32_t m_imagingClearMs;
    std::uint32_t m_guiderClearMs;
    std::uint64_t m_frameNumber = 0;
    std::uint8_t m_guideOutputs = 0;
    std::array<SimSerialDevice*, 2> m_serial{};
    bool m_plugged = true, m_failWrites = false, m_shortRead = false, m_timeOutRead = false;

    std::unique_ptr<Pending> m_pending;
    SimRead m_kind = SimRead::None;
    std::vector<std::uint16_t> m_truth;
    std::vector<std::uint16_t> m_raw; // both fields of the current frame, readout order
    int m_truthWidth = 0, m_truthHeight = 0;
    std::vector<std::uint8_t> m_guiderTruth;
    std::uint32_t m_lastExposureMs = 0;
};

// The camera as a device on a bus: listed as vendor 0x1278, product 0x0326
// while plugged in.
class SimCameraBus final : public UsbBus {
public:
    explicit SimCameraBus(std::shared_ptr<SimCamera> camera) : m_camera(std::move(camera)) {}
    UsbStatus listDevices(std::vector<UsbDeviceInfo>& devices) override;
    std::unique_ptr<UsbDevice> open(const UsbDeviceInfo& device, UsbStatus& status) override;
    SimCamera& camera() { return *m_camera; }

private:
    std::shared_ptr<SimCamera> m_camera;
};

inline constexpr int kSimBusNumber = 1;
inline constexpr int kSimDeviceAddress = 5;

} // namespace kor::sim
