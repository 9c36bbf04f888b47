// Helpers for clients whose language has signed 16-bit integer arrays, signed
// 32-bit numbers and no pointers: sample codes go into int16_t arrays (the
// 12-bit codes keep their value), counts are checked for being negative, and
// driver memory is named by its address as a number.
#include <cstring>

#include "CardState.h"

CARDIO32_API int32_t VbGetRingBuf(int16_t* destination, int32_t index, int32_t count) {
  if (destination == nullptr || index < 0 || count < 0) return -1;
  return AdGetRingBuf(reinterpret_cast<uint16_t*>(destination), uint32_t(index), uint32_t(count));
}

CARDIO32_API int32_t VbGetRingBufConst(int16_t* destination, int32_t index, int32_t count) {
  if (destination == nullptr || index < 0 || count < 0) return -1;
  return AdGetRingBufConst(reinterpret_cast<uint16_t*>(destination), uint32_t(index), uint32_t(count));
}

CARDIO32_API int32_t VbMemCopy(void* destination, intptr_t sourceAddress, int32_t bytes) {
  if (destination == nullptr || sourceAddress == 0 || bytes < 0) return -1;
  // Only memory the library handed out may be read, never an arbitrary address.
  if (!cardio::InsideLibraryBlock(uintptr_t(sourceAddress), uint32_t(bytes))) return -1;
  std::memcpy(destination, reinterpret_cast<const void*>(sourceAddress), size_t(bytes));
  return bytes;
}

CARDIO32_API int VbPolModeChildThread(lmp::HWND window, intptr_t bufferAddress) {
  if (bufferAddress == 0) return -1;
  return AdStartPolModeThread(window, reinterpret_cast<uint16_t*>(bufferAddress));
}
