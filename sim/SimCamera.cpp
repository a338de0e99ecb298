#include "sim/SimCamera.h"

#include "sim/SimLayout.h"
#include "sim/SimRandom.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kor::sim {

namespace {

constexpr std::uint8_t kRequestType = 0x40;
constexpr int kTenthsKelvinAtZeroC = 2730;
constexpr double kPi = 3.14159265358979323846;
constexpr double kSensorCentreX = 1950, kSensorCentreY = 1308;
constexpr std::size_t kKeptBlocks = 4096;

std::uint16_t get16(std::span<const std::uint8_t> b, std::size_t at)
{
    return std::uint16_t(b[at] | b[at + 1] << 8);
}

void put16(std::vector<std::uint8_t>& out, unsigned v)
{
    out.push_back(std::uint8_t(v & 0xff));
    out.push_back(std::uint8_t((v >> 8) & 0xff));
}

std::vector<std::uint8_t> toBytes(const std::uint16_t* words, std::size_t count)
{
    std::vector<std::uint8_t> bytes(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[2 * i] = std::uint8_t(words[i] & 0xff);
        bytes[2 * i + 1] = std::uint8_t(words[i] >> 8);
    }
    return bytes;
}

// Which filter of the two-by-two colour matrix covers a pixel, and how much of
// a star's light of the given colours passes it.
enum class Pattern { Mono, Colour };
double filterWeight(Pattern pattern, int x, int y, int lineOffset, const SimStar& s)
{
    if (pattern == Pattern::Mono)
        return (s.red + 2 * s.green + s.blue) / 4;
    switch (((y + lineOffset) & 1) * 2 + (x & 1)) {
    case 0: return s.red;
    case 3: return s.blue;
    default: return s.green;
    }
}

} // namespace

void SimCooler::advance(std::uint32_t elapsedMs)
{
    double target = ambientC;
    if (forced)
        target = ambientC - deepestBelowAmbient;
    else if (on)
        target = std::max(setPointC, ambientC - deepestBelowAmbient);
    const double step = degreesPerSecond * elapsedMs / 1000.0;
    if (temperatureC < target)
        temperatureC = std::min(target, temperatureC + step);
    else
        temperatureC = std::max(target, temperatureC - step);
}

// A command waiting for its read.
struct SimCamera::Pending {
    std::uint8_t code = 0;
    unsigned value = 0, index = 0;
    int x = 0, y = 0, width = 0, height = 0, xBin = 1, yBin = 1;
    std::uint32_t delayMs = 0;
    std::size_t serialCount = 0;
};

SimCamera::SimCamera(Clock& clock, SimCameraConfig config)
    : sky(config.sky), firmwareMajor(config.firmwareMajor), firmwareMinor(config.firmwareMinor), m_clock(clock),
      m_config(config), m_lastUpdateMs(clock.nowMs()), m_imagingClearMs(m_lastUpdateMs), m_guiderClearMs(m_lastUpdateMs)
{
}

SimCamera::~SimCamera() = default;

void SimCamera::attachSerialDevice(int port, SimSerialDevice* device)
{
    m_serial.at(std::size_t(port)) = device;
}

// The cooler works and the guide outputs move the sky in the time since the last look.
void SimCamera::advanceTime()
{
    const std::uint32_t now = m_clock.nowMs();
    const std::uint32_t elapsed = now - m_lastUpdateMs;
    m_lastUpdateMs = now;
    cooler.advance(elapsed);
    const double move = m_config.guideRatePixelsPerSecond * elapsed / 1000.0;
    if (m_guideOutputs & 1)
        pointingX += move; // west
    if (m_guideOutputs & 8)
        pointingX -= move; // east
    if (m_guideOutputs & 2)
        pointingY += move; // south
    if (m_guideOutputs & 4)
        pointingY -= move; // north
}

UsbStatus SimCamera::write(std::span<const std::uint8_t> block)
{
    if (!m_plugged)
        return UsbStatus::NoDevice;
    if (m_failWrites) {
        m_failWrites = false;
        return UsbStatus::Io;
    }
    if (blocks.size() >= kKeptBlocks) {
        blocks.erase(blocks.begin(), blocks.begin() + kKeptBlocks / 2); // a long run keeps only the recent ones
        blockTimesMs.erase(blockTimesMs.begin(), blockTimesMs.begin() + kKeptBlocks / 2);
    }
    blocks.emplace_back(block.begin(), block.end());
    blockTimesMs.push_back(m_clock.nowMs());
    advanceTime();
    m_pending.reset();
    if (block.size() < 8 || block[0] != kRequestType) {
        ++protocolErrors;
        return UsbStatus::Ok;
    }
    auto p = std::make_unique<Pending>();
    p->code = block[1];
    p->value = get16(block, 2);
    p->index = get16(block, 4);
    const std::size_t paramLength = get16(block, 6);
    auto expect = [&](std::size_t length, std::size_t size) {
        if (paramLength == length && block.size() == size)
            return true;
        ++protocolErrors;
        return false;
    };
    switch (p->code) {
    case 1:
        if (expect(0, 8))
            (p->index == 1 ? m_guiderClearMs : m_imagingClearMs) = m_clock.nowMs();
        return UsbStatus::Ok;
    case 2:
    case 3:
        if (!(p->code == 2 ? expect(14, 22) : expect(10, 18)))
            return UsbStatus::Ok;
        p->x = get16(block, 8);
        p->y = get16(block, 10);
        p->width = get16(block, 12);
        p->height = get16(block, 14);
        p->xBin = std::max<int>(1, block[16]);
        p->yBin = std::max<int>(1, block[17]);
        if (p->code == 2)
            p->delayMs = std::uint32_t(get16(block, 18)) | std::uint32_t(get16(block, 20)) << 16;
        break;
    case 9:
        if (expect(0, 8))
            m_guideOutputs = std::uint8_t(p->value & 0xff);
        return UsbStatus::Ok;
    case 10:
        if (expect(paramLength, 8 + paramLength) && paramLength <= 56 && p->index < 2 && m_serial[p->index])
            m_serial[p->index]->receive(block.subspan(8, paramLength));
        return UsbStatus::Ok;
    case 11:
        if (!expect(paramLength, 8))
            return UsbStatus::Ok;
        p->serialCount = paramLength;
        break;
    case 30:
        if (!expect(0, 8))
            return UsbStatus::Ok;
        cooler.setPointC = (int(p->value) - kTenthsKelvinAtZeroC) / 10.0;
        cooler.on = (p->index & 1) != 0;
        cooler.forced = false;
        break;
    case 31:
        if (!expect(0, 8))
            return UsbStatus::Ok;
        cooler.forced = true;
        break;
    case 255:
        if (!expect(0, 8))
            return UsbStatus::Ok;
        break;
    default: ++protocolErrors; return UsbStatus::Ok;
    }
    m_pending = std::move(p);
    return UsbStatus::Ok;
}

UsbStatus SimCamera::read(std::span<std::uint8_t> target, std::uint32_t timeoutMs, std::size_t& received)
{
    received = 0;
    if (!m_plugged)
        return UsbStatus::NoDevice;
    if (!m_pending || m_timeOutRead) {
        // Nothing to answer: the read waits for its whole time-out.
        m_timeOutRead = false;
        m_pending.reset();
        m_clock.sleepMs(timeoutMs);
        return UsbStatus::Timeout;
    }
    const std::unique_ptr<Pending> pending = std::move(m_pending);
    std::vector<std::uint8_t> reply = replyFor(*pending);
    advanceTime();
    if (target.size() < reply.size()) {
        std::memcpy(target.data(), reply.data(), target.size());
        received = target.size();
        return UsbStatus::Overflow;
    }
    received = reply.size();
    if (m_shortRead) {
        m_shortRead = false;
        received = reply.size() / 2;
    }
    std::memcpy(target.data(), reply.data(), received);
    return UsbStatus::Ok;
}

namespace {

// Light of the sky on a window of a sensor, in electrons: sky background
// through the vignetting, dark current, stars, hot pixels, then shot and read
// noise. Output pixel (c, r) covers sky pixels [x0 + c x bin, + bin) and
// [y0 + r x bin, + bin), where sky and sensor pixels are the same size.
struct RenderRequest {
    int width = 0, height = 0;
    double x0 = 0, y0 = 0;
    int bin = 1;
    Pattern pattern = Pattern::Mono;
    int lineOffset = 0;
    double exposureSeconds = 0;
    double temperatureC = 0;
    double centreX = kSensorCentreX, centreY = kSensorCentreY, cornerRadius = 2357;
    bool hotPixels = true;
};

std::vector<float> renderElectrons(const SimCamera& camera, const SimSky& sky, const RenderRequest& q,
                                   std::uint64_t seed)
{
    const SimSkyConfig& c = sky.config;
    const std::size_t count = std::size_t(q.width) * std::size_t(q.height);
    std::vector<float> e(count);
    const double area = double(q.bin) * q.bin;
    const double dark = c.darkElectronsPerSecondAtZeroC * std::exp2(q.temperatureC / 6.0) * q.exposureSeconds * area;
    const double skyLevel = c.skyElectronsPerSecond * q.exposureSeconds * area;
    const double inverseCorner2 = 1.0 / (q.cornerRadius * q.cornerRadius);
    for (int r = 0; r < q.height; ++r) {
        const double dy = q.y0 + (r + 0.5) * q.bin - q.centreY;
        float* row = e.data() + std::size_t(r) * q.width;
        for (int col = 0; col < q.width; ++col) {
            const double dx = q.x0 + (col + 0.5) * q.bin - q.centreX;
            row[col] = float(skyLevel * (1 - c.vignetting * (dx * dx + dy * dy) * inverseCorner2) + dark);
        }
    }

    const double sigma = sky.starSigma();
    const double radius = 5 * sigma + 2 * q.bin;
    const double angle = c.rotationDegrees * kPi / 180;
    const double cosA = std::cos(angle), sinA = std::sin(angle);
    for (const SimStar& s : sky.stars) {
        const double sx =
            kSensorCentreX + (s.x - kSensorCentreX) * cosA - (s.y - kSensorCentreY) * sinA + camera.pointingX;
        const double sy =
            kSensorCentreY + (s.x - kSensorCentreX) * sinA + (s.y - kSensorCentreY) * cosA + camera.pointingY;
        const int c0 = std::max(0, int(std::floor((sx - radius - q.x0) / q.bin)));
        const int c1 = std::min(q.width - 1, int(std::floor((sx + radius - q.x0) / q.bin)));
        const int r0 = std::max(0, int(std::floor((sy - radius - q.y0) / q.bin)));
        const int r1 = std::min(q.height - 1, int(std::floor((sy + radius - q.y0) / q.bin)));
        if (c0 > c1 || r0 > r1)
            continue;
        const double peak = s.flux * q.exposureSeconds * area / (2 * kPi * sigma * sigma);
        const double k = -1 / (2 * sigma * sigma);
        for (int r = r0; r <= r1; ++r) {
            const double dy = q.y0 + (r + 0.5) * q.bin - sy;
            for (int col = c0; col <= c1; ++col) {
                const double dx = q.x0 + (col + 0.5) * q.bin - sx;
                e[std::size_t(r) * q.width + col] +=
                    float(peak * std::exp(k * (dx * dx + dy * dy)) * filterWeight(q.pattern, col, r, q.lineOffset, s));
            }
        }
    }

    if (q.hotPixels)
        for (const SimHotPixel& h : sky.hotPixels) {
            const int col = int(std::floor((h.x - q.x0) / q.bin)), r = int(std::floor((h.y - q.y0) / q.bin));
            if (col >= 0 && col < q.width && r >= 0 && r < q.height)
                e[std::size_t(r) * q.width + col] += float(h.electronsPerSecond * q.exposureSeconds);
        }

    SimRandom random(seed);
    const float readNoise = float(c.readNoiseElectrons);
    for (float& v : e)
        v += std::sqrt(std::max(v, 0.0f)) * random.normal() + readNoise * random.normal();
    return e;
}

std::vector<std::uint16_t> toAdu(const std::vector<float>& electrons, double bias)
{
    std::vector<std::uint16_t> adu(electrons.size());
    for (std::size_t i = 0; i < adu.size(); ++i)
        adu[i] = std::uint16_t(std::clamp(double(electrons[i]) + bias, 0.0, 65535.0));
    return adu;
}

// Lays the image out in readout order: image positions no raw pixel carries
// cannot reach the program and are zero in the truth too.
std::vector<std::uint16_t> layOut(const RawMap& map, std::vector<std::uint16_t>& truth)
{
    std::vector<bool> carried(truth.size(), false);
    for (const std::int32_t p : map)
        if (p >= 0)
            carried[std::size_t(p)] = true;
    for (std::size_t p = 0; p < truth.size(); ++p)
        if (!carried[p])
            truth[p] = 0;
    std::vector<std::uint16_t> raw(map.size(), 0);
    for (std::size_t r = 0; r < map.size(); ++r)
        if (map[r] >= 0)
            raw[r] = truth[std::size_t(map[r])];
    return raw;
}

// Each 4 x 4 sample becomes a 2 x 2 block of the image, mixed half and half
// with its right and lower neighbours (a value halved before each sum).
std::vector<std::uint16_t> expandMono4(const std::vector<std::uint16_t>& samples)
{
    constexpr int W = 1950, H = 1308, columns = kMono4Columns, rows = kMono4Rows;
    std::vector<std::uint16_t> image(std::size_t(W) * H);
    auto at = [&](int a, int m) { return samples[std::size_t(a) * columns + std::size_t(m)]; };
    for (int a = 0; a < rows; ++a)
        for (int m = 0; m < columns; ++m) {
            const std::uint16_t v = at(a, m);
            const std::uint16_t right = m + 1 < columns ? at(a, m + 1) : v;
            const std::uint16_t below = a + 1 < rows ? at(a + 1, m) : v;
            const std::size_t p = std::size_t(2 * a) * W + std::size_t(2 * m);
            image[p] = v;
            image[p + 1] = std::uint16_t((v >> 1) + (right >> 1));
            image[p + W] = std::uint16_t((v >> 1) + (below >> 1));
            image[p + W + 1] = std::uint16_t((image[p + 1] >> 1) + (below >> 1));
        }
    return image;
}

} // namespace

// Renders and lays out a new image for an imaging read.
void SimCamera::startImage(const Pending& p, std::uint32_t exposureMs)
{
    m_lastExposureMs = exposureMs;
    RenderRequest q;
    q.exposureSeconds = exposureMs / 1000.0;
    q.temperatureC = cooler.temperatureC;
    const std::uint64_t seed = sky.config.seed * 1000003ull + ++m_frameNumber;
    const double bias = sky.config.biasLevel;
    auto render = [&](int width, int height, double x0, double y0, int bin, Pattern pattern, int lineOffset) {
        q.width = width;
        q.height = height;
        q.x0 = x0;
        q.y0 = y0;
        q.bin = bin;
        q.pattern = pattern;
        q.lineOffset = lineOffset;
        m_truthWidth = width;
        m_truthHeight = height;
        return toAdu(renderElectrons(*this, sky, q, seed), bias);
    };

    switch (m_kind) {
    case SimRead::FullField:
    case SimRead::BothFields:
        m_truth = render(3900, 2616, 0, 0, 1, Pattern::Colour, 1);
        m_raw = layOut(mapHighRes(2616, 3900, 975, 5232, 5101200), m_truth);
        break;
    case SimRead::ColourBinned:
        m_truth = render(1950, 1308, 0, 0, 2, Pattern::Colour, 0);
        m_raw = layOut(mapColourBinned(), m_truth);
        break;
    case SimRead::MonoBinned2:
        m_truth = render(1950, 1308, 0, 0, 2, Pattern::Mono, 0);
        m_raw = layOut(mapMonoBinned2(1308, 1950, 975, 2616), m_truth);
        break;
    case SimRead::MonoBinned4: {
        std::vector<std::uint16_t> samples = render(kMono4Columns, kMono4Rows, 0, 0, 4, Pattern::Mono, 0);
        m_raw = layOut(mapMonoBinned4(), samples);
        m_truth = expandMono4(samples);
        m_truthWidth = 1950;
        m_truthHeight = 1308;
        break;
    }
    case SimRead::Focus: {
        // The window's readout x is twice the image row, its readout y a quarter of the image column.
        const double x0 = (p.y - 1) * 4.0, y0 = p.x / 2.0;
        m_truth = render(128, 128, x0, y0, 1, Pattern::Colour, 1);
        m_raw = layOut(mapHighRes(128, 128, 32, 256, 8192), m_truth);
        break;
    }
    case SimRead::FocusBinned: {
        const double x0 = p.y * 4.0, y0 = p.x / 2.0;
        m_truth = render(128, 128, x0, y0, 2, Pattern::Mono, 0);
        m_raw = layOut(mapMonoBinned2(128, 128, 64, 256), m_truth);
        break;
    }
    default: {
        // Any other window: the sky seen through it, in the order it was asked for.
        const int width = p.width / p.xBin, height = p.height / p.yBin;
        m_truth = render(width, height, p.y * 4.0, p.x / 2.0, 1, Pattern::Mono, 0);
        m_raw = m_truth;
        break;
    }
    }
}

std::vector<std::uint8_t> SimCamera::replyFor(const Pending& p)
{
    std::vector<std::uint8_t> reply;
    switch (p.code) {
    case 11: {
        SimSerialDevice* device = p.index < 2 ? m_serial[p.index] : nullptr;
        if (device)
            reply = device->transmit(p.serialCount);
        reply.resize(p.serialCount, 0);
        return reply;
    }
    case 30:
    case 31: {
        const long tenths = std::lround(cooler.temperatureC * 10) + kTenthsKelvinAtZeroC;
        put16(reply, unsigned(tenths) & 0xffff);
        reply.push_back(std::uint8_t(cooler.on || cooler.forced ? 200 : 0)); // cooler power, unused
        return reply;
    }
    case 255:
        put16(reply, std::uint16_t(firmwareMinor));
        put16(reply, std::uint16_t(firmwareMajor));
        return reply;
    default: break;
    }

    // Frame reads. The camera times exposures of command 2 itself.
    m_clock.sleepMs(p.delayMs);
    const std::uint32_t now = m_clock.nowMs();
    const std::size_t pixels = std::size_t(p.width / p.xBin) * std::size_t(p.height / p.yBin);

    if (p.index == 1) {
        // The guider sensor: 8 bits, a part of the sky beside the imaging sensor.
        const std::uint32_t exposureMs = now - m_guiderClearMs;
        m_guiderClearMs = now;
        reply.assign(pixels, 0);
        if (p.height != 290)
            return reply; // a flush read: its bytes are thrown away
        RenderRequest q;
        q.width = p.width / p.xBin;
        q.height = p.height / p.yBin;
        q.x0 = kGuiderSkyX;
        q.y0 = kGuiderSkyY;
        q.bin = p.xBin;
        q.exposureSeconds = exposureMs / 1000.0;
        q.temperatureC = cooler.temperatureC;
        q.centreX = kGuiderSkyX + 250;
        q.centreY = kGuiderSkyY + 145;
        q.cornerRadius = 288;
        q.hotPixels = false;
        const std::vector<float> e = renderElectrons(*this, sky, q, sky.config.seed * 7919ull + ++m_frameNumber);
        for (std::size_t i = 0; i < pixels; ++i)
            reply[i] = std::uint8_t(std::clamp(e[i] / 16.0 + 6.0, 0.0, 255.0));
        m_guiderTruth = reply;
        return reply;
    }

    SimRead kind = SimRead::Window;
    const bool single = p.value == 1 || p.value == 2;
    if (p.width == 5232 && p.height == 975) {
        if (p.xBin == 1 && p.yBin == 1)
            kind = single ? SimRead::FullField : SimRead::BothFields;
        else if (p.xBin == 4 && p.yBin == 1 && single)
            kind = SimRead::ColourBinned;
        else if (p.xBin == 2 && p.yBin == 1 && p.value == 3)
            kind = SimRead::MonoBinned2;
        else if (p.xBin == 4 && p.yBin == 2 && p.value == 3)
            kind = SimRead::MonoBinned4;
    } else if (p.width == 256 && p.height == 32 && p.xBin == 1 && p.yBin == 1 && single) {
        kind = SimRead::Focus;
    } else if (p.width == 512 && p.height == 64 && p.xBin == 2 && p.yBin == 1 && p.value == 3) {
        kind = SimRead::FocusBinned;
    }

    // Reading out takes time, in proportion to the pixels.
    m_clock.sleepMs(std::uint32_t(std::uint64_t(m_config.readoutMs) * pixels / 5101200));

    // The second field of a two-field frame comes from the image the first field began.
    const bool secondField = p.value == 2 && kind == m_kind && !m_raw.empty();
    if (!secondField) {
        const std::uint32_t exposureMs = p.code == 2 ? p.delayMs : now - m_imagingClearMs;
        m_kind = kind;
        startImage(p, exposureMs);
    }
    const std::size_t first = p.value == 2 ? m_raw.size() / 2 : 0;
    if (kind == SimRead::BothFields) {
        // Both fields at once: the charge of the two fields adds up.
        std::vector<std::uint16_t> sum(pixels);
        for (std::size_t i = 0; i < pixels; ++i)
            sum[i] = std::uint16_t(std::min(65535, m_raw[i] + m_raw[i + pixels]));
        return toBytes(sum.data(), pixels);
    }
    return toBytes(m_raw.data() + first, std::min(pixels, m_raw.size() - first));
}

UsbStatus SimCameraBus::listDevices(std::vector<UsbDeviceInfo>& devices)
{
    devices.clear();
    if (m_camera->plugged())
        devices.push_back({kSimBusNumber, kSimDeviceAddress, kCameraVendorId, kCameraProductId, 0});
    return UsbStatus::Ok;
}

namespace {

class SimCameraDevice final : public UsbDevice {
public:
    explicit SimCameraDevice(std::shared_ptr<SimCamera> camera) : m_camera(std::move(camera)) {}
    UsbStatus bulkWrite(std::span<const std::uint8_t> bytes, std::uint32_t) override { return m_camera->write(bytes); }
    UsbStatus bulkRead(std::span<std::uint8_t> target, std::uint32_t timeoutMs, std::size_t& received) override
    {
        return m_camera->read(target, timeoutMs, received);
    }

private:
    std::shared_ptr<SimCamera> m_camera;
};

} // namespace

std::unique_ptr<UsbDevice> SimCameraBus::open(const UsbDeviceInfo&, UsbStatus& status)
{
    if (!m_camera->plugged()) {
        status = UsbStatus::NoDevice;
        return nullptr;
    }
    status = UsbStatus::Ok;
    return std::make_unique<SimCameraDevice>(m_camera);
}

} // namespace kor::sim
