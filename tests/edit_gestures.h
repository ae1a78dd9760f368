// What a host that records touch automation relies on: every automate from the editor comes
// between a begin-edit and an end-edit of the same parameter, and no end comes without its
// begin. Checks a request log of any record type with opcode and index fields.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "vst/vst_abi.h"

// The first fault in the log, or "" when its gestures are balanced; with mustBeClosed, a
// gesture still open at the end is a fault too.
template <typename Log>
std::string EditGestureFault(const Log& log, bool mustBeClosed)
{
    std::set<int> open;
    int position = 0;
    for (const auto& request : log) {
        const std::string where = " for parameter " + std::to_string(request.index) + " at request " +
                                  std::to_string(position++);
        if (request.opcode == audioMasterBeginEdit && !open.insert(request.index).second) {
            return "a second begin-edit" + where;
        }
        if (request.opcode == audioMasterAutomate && open.count(request.index) == 0) {
            return "an automate outside its edit" + where;
        }
        if (request.opcode == audioMasterEndEdit && open.erase(request.index) == 0) {
            return "an end-edit without a begin" + where;
        }
    }
    if (mustBeClosed && !open.empty()) {
        return "an edit never ended for parameter " + std::to_string(*open.begin());
    }
    return "";
}

// One step of a gesture in the shape EditGestureFault reads, for hosts whose own records are
// not VST2 requests.
struct GestureStep {
    VstInt32 opcode;
    int index;
};

// A log of edits with a kind ('b' begin, 'p' perform, 'e' end) and a parameter id, as steps.
template <typename Edits>
std::vector<GestureStep> GestureStepsOf(const Edits& edits)
{
    std::vector<GestureStep> steps;
    for (const auto& edit : edits) {
        const VstInt32 opcode = edit.kind == 'b'   ? audioMasterBeginEdit
                                : edit.kind == 'p' ? audioMasterAutomate
                                : edit.kind == 'e' ? audioMasterEndEdit
                                                   : -1;
        steps.push_back({opcode, static_cast<int>(edit.id)});
    }
    return steps;
}
