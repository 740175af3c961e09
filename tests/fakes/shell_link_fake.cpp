// The shell-link fake: records every link asked for, with failures on cue.
#include <deque>

#include "fakes/fakes.h"
#include "platform/shell_link.h"

namespace wb {
namespace {

struct ShellLinkFake {
    std::vector<fake::LinkCall> Calls;
    std::deque<ShellLinkOutcome> Queued;
};

ShellLinkFake g_links;

}  // namespace

ShellLinkOutcome ShellLinkWrite(const ShellLinkFields& fields, const char* linkPath) noexcept {
    fake::LinkCall call;
    call.LinkPath = linkPath ? linkPath : "";
    call.Fields = fields;
    call.ComActive = fake::ComStartCount() > fake::ComEndCount();
    if (!g_links.Queued.empty()) {
        call.Outcome = g_links.Queued.front();
        g_links.Queued.pop_front();
    }
    g_links.Calls.push_back(call);
    return call.Outcome;
}

namespace fake {

void ShellLinkReset() { g_links = ShellLinkFake{}; }

void ShellLinkFailNext(ShellLinkOutcome outcome, int calls) {
    for (int i = 0; i < calls; ++i) g_links.Queued.push_back(outcome);
}

const std::vector<LinkCall>& ShellLinkCalls() { return g_links.Calls; }

}  // namespace fake
}  // namespace wb
