// The acquisition commands' Recorder over the real facade CLmWavGet. Only
// programs and tests that link LM_WAVGET include this header.
#ifndef KR70_APP_CORE_WAVGETRECORDER_H
#define KR70_APP_CORE_WAVGETRECORDER_H

#include "Acquisition.h"
#include "LM_WAVGET.h"

namespace kr70 {

class WavGetRecorder final : public Recorder {
public:
    int ChangeBoardSet(int32_t boardKind, int fileOnly) override { return facade_.ChangeBoardSet(boardKind, fileOnly); }
    int32_t GetBoardKind() const override { return facade_.GetBoardKind(); }
    int Initialize(int bits, int channel, int gain, unsigned count, unsigned frequency, uint32_t timeout) override {
        return facade_.Initialize(bits, channel, gain, count, frequency, timeout);
    }
    int StartRec(void* window, const char* baseName) override {
        return facade_.StartRec(static_cast<lmp::HWND>(window), baseName);
    }
    int StopRec() override { return facade_.StopRec(); }
    int GetData(double* out, int32_t mode, int32_t channel) override { return facade_.GetData(out, mode, channel); }
    int Halt() override { return facade_.Halt(); }
    unsigned GetCount() const override { return facade_.GetCount(); }
    unsigned GetSampFreq() const override { return facade_.GetSampFreq(); }
    int TrgModeSet(int triggerSwitch, void* window, int delayMs, const char* baseName) override {
        return facade_.TrgModeSet(triggerSwitch, static_cast<lmp::HWND>(window), delayMs, baseName);
    }
    int TrgModeStop(int abort, int* count, double** samples) override {
        return facade_.TrgModeStop(abort, count, samples);
    }
    void FreeSamples(double* samples) override { lmp::GlobalFree(samples); }
    int GetDISignal(uint16_t* word) override { return facade_.GetDISignal(word); }

    CLmWavGet& Facade() { return facade_; }

private:
    CLmWavGet facade_;
};

}  // namespace kr70

#endif
