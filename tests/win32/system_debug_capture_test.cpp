// The system-wide capture's objects as the system sees them: the security
// they are made with (read back part by part), what senders and another
// monitor may then do with them, and the capture's clock. Wine keeps the
// integrity label but does not enforce it: that a low-integrity sender may
// write shows only on Windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/line_stamp.h"
#include "roads/system_debug_capture.h"

namespace ploxen::test {
namespace {

constexpr DWORD kEventRights = SYNCHRONIZE | EVENT_MODIFY_STATE;
constexpr DWORD kSectionRights = SECTION_MAP_READ | SECTION_MAP_WRITE;

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (!ConvertSidToStringSidA(sid, &text)) return "?";
  const std::string out = text;
  LocalFree(text);
  return out;
}

struct Allowed {
  std::string sid;
  DWORD mask;
  bool operator==(const Allowed& o) const { return sid == o.sid && mask == o.mask; }
  friend std::ostream& operator<<(std::ostream& out, const Allowed& a) {
    return out << a.sid << ":0x" << std::hex << a.mask << std::dec;
  }
};

// The DACL's entries, each required to allow; and the label's level and
// policy (empty without one).
struct Parts {
  std::vector<Allowed> allowed;
  std::string label;
  DWORD policy = 0;
};

Parts Read(PACL dacl, PACL sacl) {
  Parts parts;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace))) continue;
    EXPECT_EQ(ace->AceType, ACCESS_ALLOWED_ACE_TYPE) << "only what is allowed, nothing denied";
    if (ace->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
    parts.allowed.push_back({SidText(&allowed->SidStart), allowed->Mask});
  }
  for (DWORD i = 0; sacl && i < sacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (!GetAce(sacl, i, reinterpret_cast<void**>(&ace)) || ace->AceType != SYSTEM_MANDATORY_LABEL_ACE_TYPE) continue;
    auto* label = reinterpret_cast<SYSTEM_MANDATORY_LABEL_ACE*>(ace);
    parts.label = SidText(&label->SidStart);
    parts.policy = label->Mask;
  }
  return parts;
}

// Everyone and every app container, the rights given; low label, no write up.
void ExpectSenderParts(const Parts& parts, DWORD rights, const char* what) {
  const std::vector<Allowed> expected = {{"S-1-1-0", rights}, {"S-1-15-2-1", rights}};
  EXPECT_EQ(parts.allowed, expected) << what;
  for (const Allowed& a : parts.allowed) {
    EXPECT_EQ(a.mask & (WRITE_DAC | WRITE_OWNER | DELETE), 0u) << what << ": nobody may change or delete it";
  }
  EXPECT_EQ(parts.label, "S-1-16-4096") << what << ": low integrity";
  EXPECT_EQ(parts.policy, static_cast<DWORD>(SYSTEM_MANDATORY_LABEL_NO_WRITE_UP)) << what;
}

TEST(SenderSecurity, TheDescriptorsGiveSendersTheirRightsAndALowLabel) {
  const struct {
    const char* sddl;
    DWORD rights;
  } cases[] = {{kSenderEventsSddl, kEventRights}, {kSenderSectionSddl, kSectionRights}};
  for (const auto& c : cases) {
    SenderSecurity security(c.sddl);
    ASSERT_NE(security.Attributes(), nullptr) << c.sddl;
    EXPECT_FALSE(security.Attributes()->bInheritHandle);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr, sacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(security.Descriptor(), &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl) << "a DACL, not none (which would let anyone do anything)";
    ASSERT_TRUE(GetSecurityDescriptorSacl(security.Descriptor(), &present, &sacl, &defaulted));
    ASSERT_TRUE(present && sacl);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(security.Descriptor(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "nothing inherited from the object directory";
    ExpectSenderParts(Read(dacl, sacl), c.rights, c.sddl);
  }
}

// One buffer per Wine server: the system tests' monitors take turns with
// this one.
class CaptureObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    turn_ = CreateMutexA(nullptr, FALSE, "ploxen_system_test_systemwide");
    ASSERT_NE(turn_, nullptr);
    const DWORD waited = WaitForSingleObject(turn_, 240000);
    ASSERT_TRUE(waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED);
  }
  void TearDown() override {
    ReleaseMutex(turn_);
    CloseHandle(turn_);
  }
  HANDLE turn_ = nullptr;
};

TEST_F(CaptureObjects, MadeWithThatSecuritySendersWriteAndASecondMonitorIsToldBusy) {
  SystemDebugCapture capture;
  ASSERT_EQ(capture.Begin([] {}), SystemDebugCapture::Begun::kCapturing);
  const struct {
    const char* name;
    DWORD rights;
  } objects[] = {{"DBWIN_BUFFER_READY", kEventRights}, {"DBWIN_DATA_READY", kEventRights}, {"DBWIN_BUFFER", kSectionRights}};
  for (const auto& o : objects) {
    HANDLE handle = o.rights == kEventRights ? OpenEventA(READ_CONTROL, FALSE, o.name)
                                             : OpenFileMappingA(READ_CONTROL, FALSE, o.name);
    ASSERT_NE(handle, nullptr) << o.name;
    PACL dacl = nullptr, sacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetSecurityInfo(handle, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION,
                              nullptr, nullptr, &dacl, &sacl, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS))
        << o.name;
    ExpectSenderParts(Read(dacl, sacl), o.rights, o.name);
    LocalFree(descriptor);
    CloseHandle(handle);
  }

  // What a sender opens, as OutputDebugString does.
  HANDLE ready = OpenEventA(SYNCHRONIZE, FALSE, "DBWIN_BUFFER_READY");
  HANDLE data = OpenEventA(EVENT_MODIFY_STATE, FALSE, "DBWIN_DATA_READY");
  HANDLE section = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "DBWIN_BUFFER");
  void* view = section ? MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 4096) : nullptr;
  EXPECT_NE(ready, nullptr);
  EXPECT_NE(data, nullptr);
  EXPECT_NE(view, nullptr);
  if (view) UnmapViewOfFile(view);
  for (HANDLE h : {ready, data, section})
    if (h) CloseHandle(h);

  // Full access is nobody's but the maker's: a program that asks for it
  // is refused.
  SetLastError(ERROR_SUCCESS);
  HANDLE all = CreateEventA(nullptr, FALSE, TRUE, "DBWIN_BUFFER_READY");
  EXPECT_EQ(all, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  if (all) CloseHandle(all);

  // A second monitor asks only for what senders have, and so finds the
  // buffer taken, not closed to it.
  SystemDebugCapture second;
  EXPECT_EQ(second.Begin([] {}), SystemDebugCapture::Begun::kBusy);
  EXPECT_FALSE(second.Capturing());
  capture.End();
}

// Arrivals are timed by a monotonic clock; their time of day is still the
// wall clock's.
TEST(CaptureClock, AnArrivalNowIsStampedWithTheTimeOfDayNow) {
  for (int i = 0; i < 2; ++i) {
    const TimeOfDay before = LocalTimeOfDay();
    const TimeOfDay stamped = CaptureTimeOfDay(fw::SteadyWholeMs());
    const TimeOfDay after = LocalTimeOfDay();
    auto ms = [](const TimeOfDay& t) { return ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond; };
    if (ms(after) < ms(before)) continue;  // midnight passed
    EXPECT_GE(ms(stamped), ms(before) - 3);
    EXPECT_LE(ms(stamped), ms(after) + 3);
    if (i == 0) Sleep(1100);  // the next second's reading of the wall clock
  }
}

}  // namespace
}  // namespace ploxen::test
