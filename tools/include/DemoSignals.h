// Demo recordings for trying the workstation without hardware: a clean tone,
// the same tone with short impulsive clicks (an "abnormal" noise), and noise.
// Written as 16-bit mono PCM WAV files, in volts scaled as the workstation
// reads them back (sample = volts × 65534 / 10, clipped to ±32767).
#ifndef KR70_TOOLS_DEMOSIGNALS_H
#define KR70_TOOLS_DEMOSIGNALS_H

#include <cstdint>
#include <string>
#include <vector>

namespace kr70 {

struct DemoSettings {
    uint32_t samplingFrequency = 22050;
    double seconds = 2.0;
    double toneHz = 1000.0;
    double toneVolts = 1.0;      // amplitude of the tone
    int32_t clicks = 8;          // clicks spread evenly over the recording
    double clickVolts = 3.0;     // peak of each click
    double clickMs = 1.0;        // decay time constant of each click
    double noiseVolts = 0.5;     // standard deviation of the noise
    uint32_t seed = 70;          // fixed, so the files are the same every time
};

std::vector<double> DemoTone(const DemoSettings& settings);
std::vector<double> DemoToneWithClicks(const DemoSettings& settings);
std::vector<double> DemoNoise(const DemoSettings& settings);

// Writes volts as a 16-bit mono PCM WAV file. 0, or −300 (cannot create),
// −301 (write or close failed; the partial file is removed).
int32_t WriteWav16(const std::string& path, const std::vector<double>& volts, uint32_t samplingFrequency);

}  // namespace kr70

#endif
