#pragma once

#include <type_traits>

#include "jobs/routines.h"
#include "jobs/thread_core.h"
#include "platform/trace_log.h"

namespace vantrel {

namespace detail {
template <class M>
struct FieldOf;
template <class W, class T>
struct FieldOf<T W::*> {
    using Window = W;
    using Value = T;
};
template <class M>
struct StepOf;
template <class W>
struct StepOf<void (W::*)()> {
    using Window = W;
};

inline void reportUnboundReceiver() {
    VANTREL_ASSERT_FAILED(L"Receiver without its window", "MThreading");
}
}  // namespace detail

// A notification routine of worker 1, written once for every window: on the GUI thread it copies
// the job's parameter into the window's Field and runs the window's Display step; the worker waits
// until both have run, or until its pool stops (then neither runs). Both happen on the GUI thread,
// so the window's fields are never written while the window reads them.
//
//   routines.SysInfoResultRoutine =
//       TReceiver<&TVantrelMainForm::SysInfo, &TVantrelMainForm::ShowSysInfo>::Register(core, form);
//
// A receiver is reached only through its registered routine: a post before the registration is
// logged by the core, and a routine registered without its window is logged here.
template <auto Field, auto Display>
struct TReceiver {
    using Window = typename detail::FieldOf<decltype(Field)>::Window;
    using Value = typename detail::FieldOf<decltype(Field)>::Value;
    static_assert(std::is_same_v<Window, typename detail::StepOf<decltype(Display)>::Window>,
                  "the field and the display step belong to one window");

    static TRoutine Register(TMTCore& core, Window& window) {
        return core.RegisterRoutine(kNotificationWorker, &Proc, &window);
    }

    static void Proc(void* Data, const void* Param) {
        if (!Data || !Param) {
            detail::reportUnboundReceiver();
            return;
        }
        auto* window = static_cast<Window*>(Data);
        // The worker keeps the parameter copy until the display step has run or been given up.
        const Value& value = *static_cast<const Value*>(Param);
        SynchronizeWithGuiThread([window, &value] {
            window->*Field = value;
            (window->*Display)();
        });
    }
};

// The same for notices that carry no value: only the Display step runs.
template <auto Display>
struct TNoticeReceiver {
    using Window = typename detail::StepOf<decltype(Display)>::Window;

    static TRoutine Register(TMTCore& core, Window& window) {
        return core.RegisterRoutine(kNotificationWorker, &Proc, &window);
    }

    static void Proc(void* Data, const void*) {
        if (!Data) {
            detail::reportUnboundReceiver();
            return;
        }
        auto* window = static_cast<Window*>(Data);
        SynchronizeWithGuiThread([window] { (window->*Display)(); });
    }
};

}  // namespace vantrel
