// Records the site of every C++ throw. The program defines the runtime's throw entry
// `__cxa_throw` itself (exported, so the runtime library's own throws reach it too), notes the
// caller's address for the thrown object, and hands over to the runtime's definition.

#include <dlfcn.h>
#include <link.h>
#include <unwind.h>

#include <array>
#include <cinttypes>
#include <cstdio>
#include <typeinfo>

#include "platform/throwsite.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORSEL_ASAN 1
#endif
#elif defined(__SANITIZE_ADDRESS__)
#define VORSEL_ASAN 1
#endif
#ifdef VORSEL_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace vorsel {

namespace {

struct ThrowRecord {
  const void* object = nullptr;
  uint32_t address = 0;
};

// Exceptions may nest (thrown while another is being handled), so a few of the latest are
// kept; an object's newest record wins, since a freed object's address can come back.
constexpr size_t kKeptThrows = 16;
thread_local std::array<ThrowRecord, kKeptThrows> recentThrows;
thread_local size_t nextRecord = 0;

struct ProgramImage {
  uintptr_t bias = 0;
  bool found = false;
  std::array<std::pair<uintptr_t, uintptr_t>, 8> code{};  // executable segments, absolute
  size_t codeCount = 0;
};

int FindProgram(dl_phdr_info* info, size_t, void* data) {
  auto* image = static_cast<ProgramImage*>(data);
  // The first object listed is the program itself.
  image->bias = info->dlpi_addr;
  image->found = true;
  for (ElfW(Half) i = 0; i < info->dlpi_phnum && image->codeCount < image->code.size(); ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type == PT_LOAD && (segment.p_flags & PF_X) != 0) {
      const uintptr_t start = info->dlpi_addr + segment.p_vaddr;
      image->code[image->codeCount++] = {start, start + segment.p_memsz};
    }
  }
  return 1;
}

const ProgramImage& Program() {
  static const ProgramImage image = [] {
    ProgramImage found;
    dl_iterate_phdr(FindProgram, &found);
    return found;
  }();
  return image;
}

bool InProgram(uintptr_t address) {
  const ProgramImage& image = Program();
  for (size_t i = 0; i < image.codeCount; ++i) {
    if (address >= image.code[i].first && address < image.code[i].second) {
      return true;
    }
  }
  return false;
}

struct WalkState {
  uintptr_t caller = 0;  // the library's call of the throw entry
  bool passedCaller = false;
  uintptr_t site = 0;
};

// The first return address inside the program above the library frames that threw; the
// frames below the caller are this hook's own.
_Unwind_Reason_Code FindProgramFrame(_Unwind_Context* context, void* data) {
  auto* state = static_cast<WalkState*>(data);
  const uintptr_t returnAddress = _Unwind_GetIP(context);
  if (!state->passedCaller) {
    state->passedCaller = returnAddress == state->caller;
    return _URC_NO_REASON;
  }
  if (returnAddress != 0 && InProgram(returnAddress - 1)) {
    state->site = returnAddress;
    return _URC_END_OF_STACK;
  }
  return _URC_NO_REASON;
}

uint32_t ProgramOffset(uintptr_t returnAddress) {
  // The call instruction ends just before the return address; point into it so that the
  // line reported is the call's, not the next statement's.
  return static_cast<uint32_t>(returnAddress - 1 - Program().bias);
}

void Record(const void* object, uintptr_t caller) {
  uint32_t address = 0;
  if (caller != 0 && InProgram(caller - 1)) {
    address = ProgramOffset(caller);
  } else {
    WalkState state;
    state.caller = caller;
    _Unwind_Backtrace(FindProgramFrame, &state);
    if (state.site != 0) {
      address = ProgramOffset(state.site);
    }
  }
  recentThrows[nextRecord] = {object, address};
  nextRecord = (nextRecord + 1) % kKeptThrows;
}

using ThrowEntry = void (*)(void*, std::type_info*, void (*)(void*));

ThrowEntry RuntimeThrow() {
  static const ThrowEntry entry = reinterpret_cast<ThrowEntry>(dlsym(RTLD_NEXT, "__cxa_throw"));
  return entry;
}

}  // namespace

uint32_t ThrowAddressOf(const void* exceptionObject) {
  for (size_t back = 1; back <= kKeptThrows; ++back) {
    const ThrowRecord& record = recentThrows[(nextRecord + kKeptThrows - back) % kKeptThrows];
    if (record.object != nullptr && record.object == exceptionObject) {
      return record.address;
    }
  }
  return 0;
}

std::string ThrowAddressText(const void* exceptionObject) {
  char text[9];
  std::snprintf(text, sizeof text, "%08" PRIX32, ThrowAddressOf(exceptionObject));
  return text;
}

}  // namespace vorsel

// Noted before anything can go wrong in the hand-over, so the record exists even when the
// runtime then terminates the program.
extern "C" [[noreturn]] void __cxa_throw(void* object, std::type_info* type,
                                         void (*destructor)(void*)) {
  vorsel::Record(object, reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
#ifdef VORSEL_ASAN
  // The sanitizer's own throw hook may be bypassed by this one; the frames about to be
  // unwound must not stay poisoned.
  __asan_handle_no_return();
#endif
  vorsel::RuntimeThrow()(object, type, destructor);
  __builtin_unreachable();
}
