#pragma once

#include "editor/field_streaming.h"
#include "editor/main_field.h"
#include "fake_model_loader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace quorvane::testing {

// An instance of a loaded source, as the registry makes one: ready with its source.
inline bool MakeFakeInstance(CModelEntry& entry, CModelEntry& source) {
    entry.isInstance = true;
    entry.source = &source;
    entry.sourceName = source.name;
    entry.hasDrawModel = source.hasDrawModel;
    ++source.useCount;
    SetEntryLoaded(entry, true);
    return true;
}

// Every entry of every grid map file in the lists, file by file, group by group.
inline std::vector<const CModelEntry*> GridEntriesOf(const CRegistryLists& lists) {
    std::vector<const CModelEntry*> entries;
    lists.gridFiles.ForEach([&entries](const GridFileEntry& file) {
        for (const auto& group : file.groups) {
            group->ForEach([&entries](const CModelEntry& entry) { entries.push_back(&entry); });
        }
    });
    return entries;
}

// Their names, a name read twice kept twice.
inline std::multiset<std::string> GridEntryNamesOf(const CRegistryLists& lists) {
    std::multiset<std::string> names;
    for (const CModelEntry* entry : GridEntriesOf(lists)) {
        names.insert(entry->name);
    }
    return names;
}

// Loads on the caller's thread, as the test says per path: a load succeeds,
// fails, finds no slot, or is held in flight until the test finishes it
// (as if a wait had been cut short).
class FakeStreamingLoader : public IStreamingLoader {
public:
    enum class Outcome { kLoads, kFails, kNoSlot, kHeld };

    bool StartLoad(CModelEntry& entry) override {
        if (whileStarting) {
            whileStarting(entry);
        }
        const Outcome outcome = OutcomeOf(entry.path);
        if (outcome == Outcome::kNoSlot) {
            ++refused[entry.path];
            return false;
        }
        started.push_back(entry.path);
        (outcome == Outcome::kHeld ? held_ : running_).push_back(&entry);
        return true;
    }

    bool IsLoading(const CModelEntry& entry) const override {
        const auto has = [&entry](const std::vector<CModelEntry*>& list) {
            return std::find(list.begin(), list.end(), &entry) != list.end();
        };
        return has(running_) || has(held_);
    }

    void WaitForLoads() override {
        for (CModelEntry* entry : running_) {
            if (OutcomeOf(entry->path) == Outcome::kLoads) {
                entry->hasDrawModel = true;
                SetEntryLoaded(*entry, true);
            }
        }
        running_.clear();
    }

    bool MakeInstance(CModelEntry& entry, CModelEntry& source) override {
        return MakeFakeInstance(entry, source);
    }

    // Ends the held loads, loading them or not.
    void FinishHeld(bool load) {
        for (CModelEntry* entry : held_) {
            entry->hasDrawModel = load;
            entry->loaded = load;
        }
        held_.clear();
    }

    int StartsOf(const std::string& path) const {
        return static_cast<int>(std::count(started.begin(), started.end(), path));
    }

    Outcome OutcomeOf(const std::string& path) const {
        const auto found = outcomes.find(path);
        return found != outcomes.end() ? found->second : Outcome::kLoads;
    }

    std::map<std::string, Outcome> outcomes; // by path; loads by default
    std::vector<std::string> started;        // paths, in start order
    std::map<std::string, int> refused;      // starts refused for want of a slot
    std::function<void(CModelEntry&)> whileStarting;

private:
    std::vector<CModelEntry*> running_;
    std::vector<CModelEntry*> held_;
};

// A grid map line as the writer writes it, at (x, y, 0) with scale 1 and no rotation.
inline std::string Line(const std::string& name, const std::string& id, int copy, const std::string& path,
                        const std::string& x, const std::string& y) {
    return name + "|" + id + "|" + std::to_string(copy) + "|2|0|0|" + path + "|" + path + "|" + x + "|" + y +
           "|0.000000|1.000000|1.000000|1.000000|0.000000|0.000000|0.000000";
}

// A field streaming through the given loader, over a folder of its own.
template <class Loader> class StreamingFixture : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("quorvane_streaming_" + std::to_string(::getpid()) + "_" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    CRegistryLists lists;
    FakeModelLoader modelLoader;
    Loader loader;
    std::unique_ptr<CMainField> field;
    std::unique_ptr<CFieldStreaming> streaming;
    std::mutex problemsMutex; // the sink is called from the timer's thread too
    std::vector<std::string> problems;

    void SetUp() override {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir / "gridfile" / "lod0");
        field = std::make_unique<CMainField>(modelLoader, lists, dir / "gridfile");
        streaming = std::make_unique<CFieldStreaming>(lists, *field, loader, dir / "gridfile");
        streaming->SetProblemSink([this](const std::string& message) {
            std::lock_guard lock(problemsMutex);
            problems.push_back(message);
        });
    }
    void TearDown() override {
        streaming.reset();
        field.reset();
        std::filesystem::remove_all(dir);
    }

    // Timer passes, each followed by the render thread's commit.
    void Round(int count = 1) {
        for (int round = 0; round < count; ++round) {
            streaming->TimerPhase();
            streaming->CommitPhase();
        }
    }
    const GridFileEntry* GridFile(const std::string& cell) const {
        return lists.gridFiles.FindFirst(
            [&cell](const GridFileEntry& file) { return file.path.filename() == cell + ".gmf"; });
    }
    std::filesystem::path CellFile(const std::string& cell) const {
        return dir / "gridfile" / "lod0" / (cell + ".gmf");
    }
    void WriteGridFile(const std::string& cell, const std::vector<std::string>& lines) {
        std::ofstream out(CellFile(cell), std::ios::binary);
        for (const std::string& line : lines) {
            out << line << "\r\n";
        }
    }
};

} // namespace quorvane::testing
