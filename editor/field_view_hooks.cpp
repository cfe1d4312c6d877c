#include "editor/field_view_hooks.h"

namespace quorvane {
namespace {

template <typename... Args> void CallIfSet(const std::function<void(Args...)>& hook, Args... args) {
    if (hook) {
        hook(args...);
    }
}

} // namespace

void CFieldHookCalls::Run(const FieldViewHooks& hooks) const {
    for (const Call& call : calls_) {
        switch (call.kind) {
        case Kind::CaptureMouse:
            CallIfSet(hooks.captureMouse, call.flag);
            break;
        case Kind::RepaintField:
            CallIfSet(hooks.repaintField);
            break;
        case Kind::RepaintList:
            CallIfSet(hooks.repaintList);
            break;
        case Kind::RepaintMain:
            CallIfSet(hooks.repaintMain);
            break;
        case Kind::CharacterKey:
            CallIfSet(hooks.characterKey, call.virtualKey, call.flag);
            break;
        }
    }
}

} // namespace quorvane
