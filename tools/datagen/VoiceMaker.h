#ifndef KY_DATAGEN_VOICE_MAKER_H
#define KY_DATAGEN_VOICE_MAKER_H

#include "tools/datagen/Maker.h"

#include <string>
#include <vector>

// A spoken line for the dialogs:
//
//   voice "TEXT" [language=en] [variant=m3] [pitch=50] [speed=160]
//         [engine=auto|espeak|synth] [volume=1] [quality=0.4]
//
// The espeak-ng speech synthesiser says the text (its language and voice
// variant: m1-m7, f1-f5 and the others it lists with --voices=variant;
// pitch 0 to 99, speed in words a minute). Without espeak-ng on the
// machine ("auto" only; "espeak" then fails), a built-in synthesiser makes a
// speech-like babble from the letters of the text instead: vowels with
// their formants at the voice's pitch, hissed and stopped consonants, and
// pauses at blanks and punctuation, so dialogs still have a voice track of
// the right length and rhythm. Both give the same samples for the same
// text every time. Output: ".wav" or ".ogg", mono at 22050 Hz.
class VoiceMaker : public Maker {
public:
    void header(Command& command) override;
    std::vector<std::uint8_t> finish(const std::string& outputName) override;
    std::string kind() const override { return "voice"; }

    static const int rate = 22050;

    // The samples of the line, at `rate`.
    std::vector<float> speak();

    struct Settings {
        std::string text;
        std::string language = "en";
        std::string variant;
        int pitch = 50;
        int speed = 160;
    };
    // espeak-ng's samples; false (and a reason) when it cannot run.
    static bool espeak(const Settings& settings, std::vector<float>& samples, std::string& reason);
    // The built-in babble.
    static std::vector<float> babble(const Settings& settings);

private:
    Settings m_settings;
    std::string m_engine = "auto";
    double m_volume = 1.0;
    double m_quality = 0.4;
    std::string m_where;
};

#endif
