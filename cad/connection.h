// Attaching to the running CAD and the preamble of every command.
//
// A command runs: IsCadRunning (false: end silently) -> its reset of the creation list ->
// BeginCadCommand (attach, front the CAD window, cancel what the CAD is doing, take the active
// document) -> in the pick commands the snap bracket -> the body. A command that sends a CAD
// command as text waits for the CAD with WaitCadIdle before it reads the drawing again.
//
// All waits go through the platform's Sleep and block the user-interface thread, as they must:
// they give the CAD time to come to the front, to cancel its command and to finish text commands.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string_view>

#include "cad/link.h"
#include "cad/objects.h"

namespace trivane::cad {

// MK_E_UNAVAILABLE: nothing runs under the ProgID (the error of a failed attach).
inline constexpr std::int32_t kErrorNotRunning = static_cast<std::int32_t>(0x800401E3);

// RPC_E_CALL_REJECTED: the CAD refused the call (it is busy: a dialog of its own is open, say),
// and the message filter did not wait for it.
inline constexpr std::int32_t kErrorCallRejected = static_cast<std::int32_t>(0x80010001);

// What a failed call says of the CAD itself.
enum class CadFault {
  None,  // the CAD answered: the call itself failed (a cancelled pick, a refused argument)
  Gone,  // the CAD is no longer there: its process ended, or it let go of its objects
  Busy,  // the CAD is there but refused the call
};

// The fault an error code of a call stands for: the RPC and COM codes of a server whose process
// has ended or whose objects are disconnected are Gone; RPC_E_CALL_REJECTED is Busy.
CadFault CadFaultOf(std::int32_t code);

// Shown once when a command ends because the CAD went away or refused it.
inline constexpr std::string_view kCadGoneMessage =
    "CAD が見つかりません。CAD が終了したため、コマンドを中止しました。";
inline constexpr std::string_view kCadBusyMessage =
    "CAD が処理中のため、コマンドを中止しました。"
    "CAD の処理が終わってから、もう一度実行してください。";
inline constexpr std::string_view kCadFaultCaption = "■";

// A command that a CAD fault ended: the one message for it, and for a CAD that is gone, its
// application object is let go (the next command attaches afresh). Nothing is called on the CAD.
void EndCommandOnCadFault(CadLink& link, CadFault fault);

// The fixed waits of the preamble, in milliseconds.
inline constexpr std::uint32_t kRestoreWaitMs = 500;  // after restoring a minimised CAD window
inline constexpr std::uint32_t kEscHoldMs = 5;        // between Esc down and Esc up
inline constexpr std::uint32_t kEscSettleMs = 200;    // after the Esc, for the CAD to cancel

// The longest WaitCadIdle keeps polling a CAD that stays busy: half an hour of waits. A text
// command such as the insert of the area table waits for the user's insertion point, which may
// take minutes, so no short time-out will do; but a CAD that answers "busy" for ever must not
// freeze the tool window for good.
inline constexpr std::uint64_t kIdleWaitLimitMs = 30ull * 60 * 1000;

// Is an instance of the target CAD (link.ProgId) running? False when the ProgID is not registered
// on this computer or nothing runs under it. Never raises, shows nothing; the object found is
// let go at once.
bool IsCadRunning(CadLink& link);

// Attaches to the running instance of link.ProgId and keeps it in link.CadApplication (replacing
// the previous one), fronts its window (FrontCadWindow) and returns its active document. A failed
// attach raises AutomationError (kErrorNotRunning) and leaves link.CadApplication as it was.
Document BeginCadCommand(CadLink& link);

// Brings the CAD window (link.CadApplication's HWND, read anew for each use) to the front:
// restores it when minimised and waits 500 ms; asks for the foreground; when the CAD window then
// holds it, presses Esc (key down, 5 ms, key up) and waits 200 ms so that the CAD's running command
// is cancelled. A CAD window that does not come to the front gets no key.
void FrontCadWindow(CadLink& link);

// The snap bracket of the pick commands: reads SNAPMODE (an integer), sets it to 0, runs `body`
// inside its own error trap, then writes the value read back, whether the body ran to its end,
// failed or was cancelled. The result is the body's error (nullptr when it ran to its end); the
// caller may rethrow it or end silently. An error while reading or clearing SNAPMODE, or while
// writing it back, raises AutomationError; one of the first two skips the body and the restore.
std::exception_ptr WithSnapOff(const Document& document, const std::function<void()>& body);

// The idle-state query a CAD is asked first, chosen by its ProgID.
// ProgID in ASCII upper case: containing "GCAD", its version number (ProgIdVersion: 0 when it has
// none) chooses GetGcadState below 24 and GetAcadState from 24 on; otherwise containing "ZWCAD",
// GetZcadState; otherwise GetAcadState.
IdleQuery IdleQueryFor(std::string_view progId);

// Shown once when the target CAD answers none of the idle-state queries.
inline constexpr std::string_view kNoIdleQueryMessage =
    "CAD の待機状態を問い合わせできません (GetAcadState, GetGcadState, GetZcadState)。"
    "コマンドの終わりは決まった時間だけ待ちます。";
inline constexpr std::string_view kNoIdleQueryCaption = "■";

// Waits until the CAD has finished the command sent to it as text: waits delayMs, then asks the
// idle-state query for IsQuiescent until it is true, waiting delayMs after each busy answer, then
// waits delayMs once more. The query asked first is the one IdleQueryFor(link.ProgId) chooses; a
// CAD that does not know that name (kErrorUnknownMember) is asked the other two, and the one that
// answers is kept in link.idleQuery for later waits. A CAD that knows none of them is waited for
// with the two fixed waits alone, and kNoIdleQueryMessage is shown the first time. Other errors of
// the automation calls pass to the caller (a CAD that has quit fails the next poll). A CAD still
// busy after kIdleWaitLimitMs of waiting between polls raises AutomationError("IsQuiescent", ...).
void WaitCadIdle(CadLink& link, const Application& application, std::uint32_t delayMs);

}  // namespace trivane::cad
