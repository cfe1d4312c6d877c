#pragma once

#include <functional>
#include <vector>

namespace quorvane {

// Calls out of the core to the window side; each may be left empty.
// The repaint calls come from the render thread too: the window must post them.
struct FieldViewHooks {
    std::function<void(bool capture)> captureMouse;
    std::function<void()> repaintField;
    std::function<void()> repaintList;
    std::function<void()> repaintMain;
    std::function<void(int virtualKey, bool down)> characterKey; // camera and walking keys
};

// The hook calls one editing step asks for, gathered while the field's lock is
// held and made, in order, once it is released: a hook may block or call back
// into the field without stalling or deadlocking it.
class CFieldHookCalls {
public:
    void CaptureMouse(bool capture) { calls_.push_back({Kind::CaptureMouse, 0, capture}); }
    void RepaintField() { calls_.push_back({Kind::RepaintField}); }
    void RepaintList() { calls_.push_back({Kind::RepaintList}); }
    void RepaintMain() { calls_.push_back({Kind::RepaintMain}); }
    void CharacterKey(int virtualKey, bool down) { calls_.push_back({Kind::CharacterKey, virtualKey, down}); }

    bool Empty() const { return calls_.empty(); }
    void Run(const FieldViewHooks& hooks) const;

private:
    enum class Kind { CaptureMouse, RepaintField, RepaintList, RepaintMain, CharacterKey };
    struct Call {
        Kind kind;
        int virtualKey = 0;
        bool flag = false;
    };
    std::vector<Call> calls_;
};

} // namespace quorvane
