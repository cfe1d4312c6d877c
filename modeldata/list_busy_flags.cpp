#include "modeldata/list_busy_flags.h"

namespace quorvane {
namespace {
constexpr std::chrono::milliseconds kListPoll{2};
CBusyFlag g_appendFlag{kListPoll};
CBusyFlag g_removeFlag{kListPoll};
CBusyFlag g_clearFlag{kListPoll};
} // namespace

CBusyFlag& ListAppendFlag() {
    return g_appendFlag;
}
CBusyFlag& ListRemoveFlag() {
    return g_removeFlag;
}
CBusyFlag& ListClearFlag() {
    return g_clearFlag;
}

} // namespace quorvane
