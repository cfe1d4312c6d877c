#pragma once

#include "modeldata/model.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_set>
#include <vector>

// A broken invariant is a finding like a crash: report it and abort so
// libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition);           \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// Walks every bone tree: each bone once, children point back at their parent.
// Returns how many bones the trees hold.
inline size_t CheckBoneForest(const quorvane::CModel& model) {
    std::unordered_set<const quorvane::CBone*> seen;
    std::vector<const quorvane::CBone*> pending(model.rootBones.begin(), model.rootBones.end());
    for (const quorvane::CBone* root : model.rootBones) {
        FUZZ_CHECK(root->parent == nullptr);
    }
    while (!pending.empty()) {
        const quorvane::CBone* bone = pending.back();
        pending.pop_back();
        FUZZ_CHECK(seen.insert(bone).second);
        for (const quorvane::CBone* child : bone->children) {
            FUZZ_CHECK(child->parent == bone);
            pending.push_back(child);
        }
    }
    return seen.size();
}
