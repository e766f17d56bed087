// The failure switch: counts the library's calls of each simulated function and
// makes them fail when a test asks, the armed fault of a sweep (the nth call of a
// function, or the nth memory operation) or a scripted failure (every call of a
// function, or the next few). Only the library's calls count: a thread-local flag
// tells whether the library or the simulation is calling.
#include "sim_internal.h"

#include <cstdio>
#include <set>
#include <utility>

namespace {

thread_local bool t_libraryCalls = true;

struct ArmedFault {
    std::set<std::string> functions; // the calls that count towards the nth
    unsigned countdown = 0;          // 0: nothing armed
    bool fixedForm = false;          // else the failing function's first form
    sim::FailureForm form;
};

struct ScriptedFailure {
    sim::FailureForm form;
    unsigned remaining;
};

struct SwitchState {
    ArmedFault armed;
    std::optional<sim::FiredFailure> fired;
    std::map<std::string, ScriptedFailure> scripted;
    std::map<std::string, unsigned> calls;
};

// Built on first use and never destroyed: the module's static strings make
// platform calls when they are destroyed at exit, after this file's own statics
// would be gone.
SwitchState& Switch() {
    static auto* state = new SwitchState;
    return *state;
}

const std::vector<sim::FailureForm>* FormsOf(const std::string& function) {
    const auto& table = sim::FailureForms();
    auto it = table.find(function);
    return it == table.end() ? nullptr : &it->second;
}

bool Lists(const std::string& function, const sim::FailureForm& form) {
    const std::vector<sim::FailureForm>* forms = FormsOf(function);
    return forms != nullptr && std::find(forms->begin(), forms->end(), form) != forms->end();
}

// The form a call of `function` fails with, if it fails.
std::optional<sim::FailureForm> Decide(const std::string& function, unsigned call) {
    SwitchState& state = Switch();
    ArmedFault& armed = state.armed;
    if (armed.countdown != 0 && armed.functions.count(function) != 0 && --armed.countdown == 0) {
        const std::vector<sim::FailureForm>* forms = FormsOf(function);
        sim::FailureForm form =
            armed.fixedForm || forms == nullptr || forms->empty() ? armed.form : forms->front();
        state.fired = sim::FiredFailure{function, call, form};
        return form;
    }
    auto scripted = state.scripted.find(function);
    if (scripted == state.scripted.end() || scripted->second.remaining == 0)
        return std::nullopt;
    if (scripted->second.remaining != sim::kEveryCall)
        --scripted->second.remaining;
    return scripted->second.form;
}

} // namespace

namespace sim {

bool operator==(const FailureForm& a, const FailureForm& b) {
    return a.error == b.error && a.setsLastError == b.setsLastError;
}

std::string Describe(const FailureForm& form) {
    if (!form.setsLastError && form.error == 0)
        return "last error kept";
    char text[48];
    if (!form.setsLastError)
        std::snprintf(text, sizeof text, "result 0x%08lX", static_cast<unsigned long>(form.error));
    else if (form.error == 0)
        return "no code";
    else
        std::snprintf(text, sizeof text, "error %lu", static_cast<unsigned long>(form.error));
    return text;
}

bool FailCalls(const std::string& function, DWORD error, unsigned times) {
    const std::vector<FailureForm>* forms = FormsOf(function);
    if (forms == nullptr)
        return false;
    for (const FailureForm& form : *forms) {
        if (form.error == error) {
            Switch().scripted[function] = {form, times};
            return true;
        }
    }
    return false;
}

bool FailNthCall(const std::string& function, unsigned nth, const FailureForm& form) {
    ClearFaults();
    if (!Lists(function, form))
        return false;
    Switch().armed = {{function}, nth, true, form};
    return true;
}

void FailNth(Fault kind, unsigned nth) {
    static const char* const kNames[] = {"GlobalAlloc", "GlobalLock", "GlobalReAlloc", "HeapAlloc"};
    ClearFaults();
    Switch().armed.countdown = nth;
    if (kind == Fault::AnyMemory)
        Switch().armed.functions = {std::begin(kNames), std::end(kNames)};
    else
        Switch().armed.functions = {kNames[static_cast<int>(kind)]};
}

void ClearFaults() {
    Switch().armed = ArmedFault{};
    Switch().fired.reset();
}

bool FaultFired() {
    return Switch().fired.has_value();
}

std::optional<FiredFailure> FaultFiredAs() {
    return Switch().fired;
}

std::map<std::string, unsigned> PlatformCalls() {
    return Switch().calls;
}

void ResetPlatformCalls() {
    Switch().calls.clear();
}

OutsideLibrary::OutsideLibrary() : saved_(std::exchange(t_libraryCalls, false)) {}

OutsideLibrary::~OutsideLibrary() {
    t_libraryCalls = saved_;
}

namespace detail {

void ResetFailureSwitch() {
    ClearFaults();
    Switch().scripted.clear();
    Switch().calls.clear();
}

CallerScope::CallerScope(bool library) : saved_(std::exchange(t_libraryCalls, library)) {}

CallerScope::~CallerScope() {
    t_libraryCalls = saved_;
}

PlatformCall::PlatformCall(const char* function) {
    if (!simulation_.LibraryWasCalling())
        return;
    std::string name = function;
    unsigned call = ++Switch().calls[name];
    std::optional<FailureForm> form = Decide(name, call);
    if (!form)
        return;
    failing_ = true;
    form_ = *form;
    if (form_.setsLastError)
        SetLastError(form_.error);
}

} // namespace detail
} // namespace sim
