// Backend selection for the card seam and control of the simulator.
#include <cstdlib>
#include <mutex>

#include "LmCardHw.h"
#include "SimCard.h"

namespace lmp::cardhw {
namespace {

std::mutex activeMutex;
SimCard* active = nullptr;  // the simulator of this process, while open

// Unregisters itself from the control functions when the client closes it.
class ActiveSimCard : public SimCard {
 public:
  using SimCard::SimCard;
  ~ActiveSimCard() override {
    std::lock_guard<std::mutex> lock(activeMutex);
    if (active == this) active = nullptr;
  }
};

template <typename Result, typename Call>
Result WithActive(Result none, Call call) {
  std::lock_guard<std::mutex> lock(activeMutex);
  if (!active) return none;
  return call(*active);
}

}  // namespace

std::unique_ptr<Device> OpenDevice(const char* devicePath, std::string* reason) {
  auto fail = [&](std::string why) -> std::unique_ptr<Device> {
    if (reason) *reason = std::move(why);
    return nullptr;
  };
  if (devicePath == nullptr || *devicePath == 0) return fail("no device path");
  const char* chosen = std::getenv("KR70_CARD");
  std::string backend = chosen ? chosen : "";
  if (backend.empty() || backend == "none") return fail("no A/D card driver (KR70_CARD is not set to sim)");
  if (backend != "sim" && backend.rfind("sim:", 0) != 0)
    return fail("unknown A/D card backend \"" + backend + "\" in KR70_CARD");
  SimSettings settings;
  std::string error;
  if (backend.size() > 4 && !ParseSimOptions(backend.substr(4), &settings, &error)) return fail(error);
  SignalSource source;
  if (!source.Load(settings, &error)) return fail(error);
  std::lock_guard<std::mutex> lock(activeMutex);
  if (active) return fail("the simulated card driver is already open in this process");
  auto card = std::make_unique<ActiveSimCard>(settings, std::move(source));
  active = card.get();
  return card;
}

namespace sim {

bool Active() {
  return WithActive(false, [](SimCard&) { return true; });
}

bool Configure(const std::string& options, std::string* error) {
  std::string why = "no simulated card is open";
  bool ok = WithActive(false, [&](SimCard& card) { return card.Configure(options, &why); });
  if (!ok && error) *error = why;
  return ok;
}

void ResetSettings() {
  WithActive(0, [](SimCard& card) { card.ResetSettings(); return 0; });
}

void FireStartTrigger(uint32_t delayMs) {
  WithActive(0, [&](SimCard& card) { card.FireStartTrigger(delayMs); return 0; });
}

void FireStopTrigger(uint32_t delayMs) {
  WithActive(0, [&](SimCard& card) { card.FireStopTrigger(delayMs); return 0; });
}

void InjectOverrun(uint32_t afterSamples) {
  WithActive(0, [&](SimCard& card) { card.InjectOverrun(afterSamples); return 0; });
}

void SetRegisterTimeout(RegisterTimeout which) {
  WithActive(0, [&](SimCard& card) { card.SetRegisterTimeout(which); return 0; });
}

void FailRequest(uint32_t code, bool fail) {
  WithActive(0, [&](SimCard& card) { card.FailRequest(code, fail); return 0; });
}

std::vector<PortAccess> PortLog() {
  return WithActive(std::vector<PortAccess>(), [](SimCard& card) { return card.PortLog(); });
}

std::vector<RequestRecord> RequestLog() {
  return WithActive(std::vector<RequestRecord>(), [](SimCard& card) { return card.RequestLog(); });
}

void ClearLogs() {
  WithActive(0, [](SimCard& card) { card.ClearLogs(); return 0; });
}

uint16_t ExpectedCode(unsigned channel, uint64_t scan, double periodUs) {
  return WithActive(uint16_t(0), [&](SimCard& card) { return card.ExpectedCode(channel, scan, periodUs); });
}

bool ClockRunning() {
  return WithActive(false, [](SimCard& card) { return card.ClockRunning(); });
}

uint32_t SamplesDelivered() {
  return WithActive(0u, [](SimCard& card) { return card.SamplesDelivered(); });
}

double PeriodUs() {
  return WithActive(0.0, [](SimCard& card) { return card.PeriodUs(); });
}

}  // namespace sim
}  // namespace lmp::cardhw
