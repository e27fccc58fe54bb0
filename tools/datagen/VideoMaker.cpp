#include "tools/datagen/VideoMaker.h"

#include "tools/content/TheoraWriter.h"
#include "tools/datagen/PictureMaker.h"
#include "tools/datagen/SoundMaker.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// Serial numbers of the two logical streams of a made video.
const int videoSerial = 0x4b59;
const int soundSerial = 0x534e;
const int maxSide = 2048;
const int maxFrames = 10000;

// Runs a sound description whose first command must be "sound".
class SoundOnly : public DescriptionRunner::Handler {
public:
    explicit SoundOnly(SoundMaker& maker) : m_maker(maker), m_started(false) {}

    void command(Command& command) override
    {
        if (m_started) {
            m_maker.command(command);
            return;
        }
        if (command.name() != "sound")
            throw command.error("a sound track's description starts with 'sound', not '" + command.name() + "'");
        m_maker.header(command);
        m_started = true;
    }
    bool started() const { return m_started; }

private:
    SoundMaker& m_maker;
    bool m_started;
};

int wholeOption(const Command& command, const std::string& key, double fallback, int low, int high)
{
    const double value = command.number(key, fallback);
    if (value != std::floor(value) || value < low || value > high)
        throw command.error(command.name() + ": " + key + " is a whole number from " + std::to_string(low) + " to "
                            + std::to_string(high));
    return int(value);
}

unsigned char clampByte(double v)
{
    return static_cast<unsigned char>(std::min(255.0, std::max(0.0, std::floor(v + 0.5))));
}

// Studio-range Y'CbCr of an RGB pixel (BT.601), the inverse of the video
// decoder's conversion.
void toYCbCr(const std::uint8_t* rgb, double& y, double& cb, double& cr)
{
    const double r = rgb[0] / 255.0, g = rgb[1] / 255.0, b = rgb[2] / 255.0;
    y = 16.0 + 65.481 * r + 128.553 * g + 24.966 * b;
    cb = 128.0 - 37.797 * r - 74.203 * g + 112.0 * b;
    cr = 128.0 + 112.0 * r - 93.786 * g - 18.214 * b;
}

} // namespace

VideoMaker::VideoMaker(DescriptionRunner& runner)
    : m_runner(runner), m_fps(12), m_quality(48), m_keyframes(64), m_width(0), m_height(0), m_hasSound(false),
      m_rate(0), m_channels(0), m_soundQuality(0.3)
{
}

VideoMaker::~VideoMaker()
{
}

void VideoMaker::header(Command& command)
{
    command.expect(0, 0, "only options");
    m_fps = wholeOption(command, "fps", 12, 1, 60);
    m_quality = wholeOption(command, "quality", 48, 0, 63);
    m_keyframes = wholeOption(command, "keyframes", 64, 1, 1000);
    command.finish();
}

const PictureMaker& VideoMaker::strip(const Command& command)
{
    const std::string description = m_runner.context().resolve(command.file(), command.text(0)) + ".gen";
    if (!DataContext::isRegularFile(description))
        throw command.error(command.name() + ": '" + command.text(0) + "' has no description (looked for " + description
                            + ")");
    std::unique_ptr<PictureMaker>& maker = m_strips[description];
    if (!maker)
        maker = PictureMaker::draw(m_runner.context(), description);
    return *maker;
}

void VideoMaker::frames(Command& command)
{
    command.expect(1, 1, "PATH");
    const PictureMaker& picture = strip(command);
    const int last = picture.frames() - 1;
    const int from = wholeOption(command, "from", 0, 0, last);
    const int to = wholeOption(command, "to", last, from, last);
    const int hold = wholeOption(command, "hold", 1, 1, maxFrames);
    command.finish();
    const int width = picture.frameWidth();
    const int height = picture.canvas().height();
    if (m_frames.empty()) {
        if (width > maxSide || height > maxSide)
            throw command.error("frames: a video frame is at most " + std::to_string(maxSide) + " pixels a side");
        m_width = width;
        m_height = height;
    } else if (width != m_width || height != m_height) {
        throw command.error("frames: every frame of a video has the size of the first (" + std::to_string(m_width)
                            + " x " + std::to_string(m_height) + "), not " + std::to_string(width) + " x "
                            + std::to_string(height));
    }
    if (m_frames.size() + size_t(to - from + 1) > size_t(maxFrames))
        throw command.error("frames: a video has at most " + std::to_string(maxFrames) + " pictures");
    for (int i = from; i <= to; ++i)
        m_frames.push_back(Frame{&picture, i, hold});
}

void VideoMaker::sound(Command& command)
{
    command.expect(1, 1, "PATH");
    command.finish();
    if (m_hasSound)
        throw command.error("sound: a video has one sound track");
    const std::string description = m_runner.context().resolve(command.file(), command.text(0)) + ".gen";
    if (!DataContext::isRegularFile(description))
        throw command.error("sound: '" + command.text(0) + "' has no description (looked for " + description + ")");
    DescriptionRunner runner(m_runner.context());
    SoundMaker maker;
    SoundOnly handler(maker);
    runner.runFile(description, handler);
    if (!handler.started())
        throw command.error("sound: '" + command.text(0) + "' describes no sound");
    m_samples = maker.samples();
    m_rate = maker.rate();
    m_channels = maker.channels();
    m_soundQuality = maker.quality();
    m_hasSound = true;
}

void VideoMaker::command(Command& command)
{
    const std::string& name = command.name();
    if (name == "frames")
        frames(command);
    else if (name == "sound")
        sound(command);
    else if (name == "video")
        throw command.error("video: a description makes one video (the 'video' line comes once, first)");
    else
        throw command.error("unknown video command '" + name + "' (frames, sound)");
}

std::vector<std::uint8_t> VideoMaker::finish(const std::string& outputName)
{
    const size_t dot = outputName.rfind('.');
    if (dot == std::string::npos || outputName.substr(dot) != ".ogv")
        throw std::runtime_error("a video is written as .ogv: '" + outputName + "' is not");
    if (m_frames.empty())
        throw std::runtime_error("a video needs at least one frame (frames PATH)");

    TheoraVideoSpec spec;
    spec.pictureWidth = unsigned(m_width);
    spec.pictureHeight = unsigned(m_height);
    spec.frameWidth = (spec.pictureWidth + 15) / 16 * 16;
    spec.frameHeight = (spec.pictureHeight + 15) / 16 * 16;
    spec.fpsNumerator = unsigned(m_fps);
    spec.fpsDenominator = 1;
    spec.pixelFormat = 0;
    spec.frames = unsigned(m_frames.size());
    spec.quality = m_quality;
    spec.keyframeInterval = unsigned(m_keyframes);
    for (const Frame& frame : m_frames)
        spec.duplicateAfter.push_back(unsigned(frame.hold - 1));

    // Each strip's pixels once, as the canvases give them (rows top first).
    std::map<const PictureMaker*, std::vector<std::uint8_t>> pixels;
    for (const Frame& frame : m_frames)
        if (!pixels.count(frame.strip))
            pixels[frame.strip] = frame.strip->canvas().rgba8();

    const int width = m_width, height = m_height;
    spec.paint = [&](unsigned index, TheoraPlane planes[3]) {
        const Frame& frame = m_frames[index];
        const std::vector<std::uint8_t>& rgba = pixels[frame.strip];
        const int stripWidth = frame.strip->canvas().width();
        const int left = frame.index * width;
        // The padding repeats the picture's edge, so the codec spends
        // nothing on a border that is cropped away.
        auto at = [&](int x, int y) {
            x = std::min(x, width - 1);
            y = std::min(y, height - 1);
            return &rgba[(size_t(y) * size_t(stripWidth) + size_t(left + x)) * 4];
        };
        for (int y = 0; y < planes[0].height; ++y)
            for (int x = 0; x < planes[0].width; ++x) {
                double luma, cb, cr;
                toYCbCr(at(x, y), luma, cb, cr);
                planes[0].data[y * planes[0].stride + x] = clampByte(luma);
            }
        for (int y = 0; y < planes[1].height; ++y)
            for (int x = 0; x < planes[1].width; ++x) {
                double sumCb = 0, sumCr = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        double luma, cb, cr;
                        toYCbCr(at(2 * x + dx, 2 * y + dy), luma, cb, cr);
                        sumCb += cb;
                        sumCr += cr;
                    }
                planes[1].data[y * planes[1].stride + x] = clampByte(sumCb / 4);
                planes[2].data[y * planes[2].stride + x] = clampByte(sumCr / 4);
            }
    };

    std::string file;
    const std::vector<OggPacketData> video = encodeTheoraPackets(spec);
    if (m_hasSound)
        file = muxOggPair(video, videoSerial,
                          encodeVorbisPackets(m_samples, m_rate, m_channels, float(m_soundQuality)), soundSerial);
    else
        file = muxOgg(video, videoSerial);
    return std::vector<std::uint8_t>(file.begin(), file.end());
}
