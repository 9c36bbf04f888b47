// CLmWavGet: selects a recorder by board kind and forwards to it.
#include "LM_WAVGET.h"

#include <new>

namespace {
constexpr int32_t kNoBoard = 0;
constexpr int32_t kSoundCard = 1;
constexpr int32_t kAdBoard = 2;
}  // namespace

CLmWavGet::~CLmWavGet() {
  Halt();
  boardKind_ = kNoBoard;
}

CLmAdCard* CLmWavGet::AdCardOrNew() {
  if (adCard_ == nullptr) adCard_ = new (std::nothrow) CLmAdCard;
  return adCard_;
}

AcSoundBlaster* CLmWavGet::SoundCardOrNew() {
  if (soundCard_ == nullptr) soundCard_ = new (std::nothrow) AcSoundBlaster;
  return soundCard_;
}

const CLmAdCard* CLmWavGet::ActiveAdCard() const {
  return boardKind_ == kAdBoard ? adCard_ : nullptr;
}

const AcSoundBlaster* CLmWavGet::ActiveSoundCard() const {
  return boardKind_ == kSoundCard ? soundCard_ : nullptr;
}

int CLmWavGet::ChangeBoardSet(int32_t boardKind, int fileOnly) {
  fileOnly_ = 0;
  Halt();
  if (fileOnly != 0) {
    if (boardKind == kNoBoard || boardKind == kAdBoard) {
      AdCardOrNew();
      boardKind_ = kAdBoard;
    } else if (boardKind == kSoundCard) {
      SoundCardOrNew();
      boardKind_ = kSoundCard;
    }
    fileOnly_ = 1;
    return 0;
  }

  auto probeAdBoard = [&](bool keep) {
    CLmAdCard* ad = AdCardOrNew();
    if (ad == nullptr) return -2;
    int r = ad->Initialize(16, 1, 1, 5000, 50000, 0, 0);
    ad->Halt();
    if (!keep) {
      delete adCard_;
      adCard_ = nullptr;
    }
    boardKind_ = kAdBoard;
    return r;
  };
  auto probeSoundCard = [&]() {
    AcSoundBlaster* sb = SoundCardOrNew();
    if (sb == nullptr) return -2;
    // 11205 Hz, as the workstation has always probed.
    int r = sb->Initialize(16, 1, 1, 100, 11205, 0);
    sb->Halt();
    delete soundCard_;
    soundCard_ = nullptr;
    boardKind_ = kSoundCard;
    return r;
  };

  int result;
  switch (boardKind) {
    case kAdBoard:
      result = probeAdBoard(false);
      break;
    case kSoundCard:
      result = probeSoundCard();
      break;
    case kNoBoard:
      result = probeAdBoard(true);
      if (result != 0) result = probeSoundCard();
      break;
    default:
      return -1;
  }
  if (result != 0) boardKind_ = kNoBoard;
  return result;
}

int CLmWavGet::Initialize(int bits, int channel, int gain, unsigned count, unsigned frequency,
                          uint32_t timeout) {
  if (fileOnly_) return -100;
  if (boardKind_ == kSoundCard) {
    AcSoundBlaster* sb = SoundCardOrNew();
    return sb != nullptr ? sb->Initialize(bits, 1, gain, count, frequency, timeout) : -100;
  }
  if (boardKind_ == kAdBoard) {
    CLmAdCard* ad = AdCardOrNew();
    return ad != nullptr ? ad->Initialize(bits, channel, gain, count, frequency, timeout, 0) : -100;
  }
  return -100;
}

int CLmWavGet::StartRec(lmp::HWND window, const char* baseName) {
  if (fileOnly_) return -100;
  if (boardKind_ == kSoundCard && soundCard_ != nullptr) return soundCard_->StartRec(baseName);
  if (boardKind_ == kAdBoard && adCard_ != nullptr) return adCard_->StartRec(window, baseName);
  return -100;
}

int CLmWavGet::StopRec() {
  if (fileOnly_) return -100;
  if (boardKind_ == kAdBoard && adCard_ != nullptr) return adCard_->StopRec();
  return -100;  // the sound card has no stop
}

int CLmWavGet::GetData(double* out, int32_t mode, int32_t channel) {
  if (boardKind_ == kSoundCard && soundCard_ != nullptr) return soundCard_->GetData(out, mode);
  if (boardKind_ == kAdBoard && adCard_ != nullptr) return adCard_->GetData(out, mode, channel);
  return -102;
}

int CLmWavGet::ReadWav(const char* path) {
  if (fileOnly_) {
    if (boardKind_ == kNoBoard || boardKind_ == kAdBoard) {
      CLmAdCard* ad = AdCardOrNew();
      int r = ad != nullptr ? ad->ReadWav(path) : -102;
      boardKind_ = kAdBoard;
      return r;
    }
    if (boardKind_ == kSoundCard) {
      AcSoundBlaster* sb = SoundCardOrNew();
      return sb != nullptr ? sb->ReadWav(path) : -102;
    }
    return -102;
  }
  if (boardKind_ == kSoundCard && soundCard_ != nullptr) return soundCard_->ReadWav(path);
  if (boardKind_ == kAdBoard && adCard_ != nullptr) return adCard_->ReadWav(path);
  return -102;
}

int CLmWavGet::TrgModeSet(int triggerSwitch, lmp::HWND window, int delayMs, const char* baseName) {
  if (boardKind_ == kAdBoard && adCard_ != nullptr)
    return adCard_->TrgModeSet(triggerSwitch, window, delayMs, baseName);
  return -1;
}

int CLmWavGet::TrgModeStop(int abort, int* count, double** samples) {
  if (boardKind_ == kAdBoard && adCard_ != nullptr) return adCard_->TrgModeStop(abort, count, samples);
  return -1;
}

int CLmWavGet::GetDISignal(uint16_t* word) {
  if (boardKind_ == kAdBoard && adCard_ != nullptr) return adCard_->GetDISignal(word, 0);
  return 0;
}

int CLmWavGet::Halt() {
  int noted = -100;
  if (boardKind_ == kSoundCard && soundCard_ != nullptr) {
    noted = soundCard_->Halt();
    delete soundCard_;
    soundCard_ = nullptr;
  } else if (boardKind_ == kAdBoard && adCard_ != nullptr) {
    noted = adCard_->Halt();
    delete adCard_;
    adCard_ = nullptr;
  }
  // Whatever is left halts itself when it goes.
  delete soundCard_;
  soundCard_ = nullptr;
  delete adCard_;
  adCard_ = nullptr;
  return noted;
}

int CLmWavGet::GetDevNum() const {
  if (const CLmAdCard* ad = ActiveAdCard()) return ad->GetDevNum();
  if (const AcSoundBlaster* sb = ActiveSoundCard()) return sb->GetDevNum();
  return -1;
}

int CLmWavGet::GetChan() const {
  if (const CLmAdCard* ad = ActiveAdCard()) return ad->GetChan();
  if (const AcSoundBlaster* sb = ActiveSoundCard()) return sb->GetChan();
  return -1;
}

int CLmWavGet::GetGain() const {
  if (const CLmAdCard* ad = ActiveAdCard()) return ad->GetGain();
  if (const AcSoundBlaster* sb = ActiveSoundCard()) return sb->GetGain();
  return -1;
}

unsigned CLmWavGet::GetCount() const {
  if (const CLmAdCard* ad = ActiveAdCard()) return ad->GetCount();
  if (const AcSoundBlaster* sb = ActiveSoundCard()) return sb->GetCount();
  return 0;
}

unsigned CLmWavGet::GetSampFreq() const {
  if (const CLmAdCard* ad = ActiveAdCard()) return ad->GetSampFreq();
  if (const AcSoundBlaster* sb = ActiveSoundCard()) return sb->GetSampFreq();
  return 0;
}

uint32_t CLmWavGet::GetTimeout() const {
  if (const CLmAdCard* ad = ActiveAdCard()) return ad->GetTimeout();
  if (const AcSoundBlaster* sb = ActiveSoundCard()) return sb->GetTimeout();
  return 0;
}
