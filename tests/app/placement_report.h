#pragma once

// The placements of a field as one line each, written by a child process
// before it is killed and read back by the test that restores them. Floats
// go out with nine significant digits, which read back to the same float.
#include "editor/main_field.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace quorvane::test {

struct ReportedPlacement {
    std::string uniqueName;
    std::string partPath;
    std::string sourcePath;
    CModelTransform transform;
};

inline std::vector<ReportedPlacement> ReportPlacements(const CMainField& field) {
    std::map<std::string, CModelTransform> transforms;
    field.ForEachPlacedModel([&transforms](const CModelEntry& e) { transforms[e.name] = e.transform; });
    std::vector<ReportedPlacement> out;
    for (const CPlacedModel& record : field.PlacementRecordSnapshot()) {
        out.push_back({record.uniqueName, record.partPath, record.sourcePath, transforms[record.uniqueName]});
    }
    return out;
}

inline void PutVector(std::ostream& out, const Vector4& v) {
    for (const float f : {v.x, v.y, v.z}) {
        out << ' ' << std::setprecision(9) << f;
    }
}

// Written beside and renamed into place, so a reader never sees half a report.
inline bool WritePlacementReport(const std::filesystem::path& path,
                                 const std::vector<ReportedPlacement>& all) {
    const std::filesystem::path partial = path.string() + ".partial";
    {
        std::ofstream out(partial);
        for (const ReportedPlacement& p : all) {
            out << p.uniqueName << '\t' << p.partPath << '\t' << p.sourcePath << '\t';
            PutVector(out, p.transform.position);
            PutVector(out, p.transform.scale);
            PutVector(out, p.transform.rotation);
            out << '\n';
        }
        if (!out) {
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    return !error;
}

inline std::vector<ReportedPlacement> ReadPlacementReport(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<ReportedPlacement> all;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        ReportedPlacement p;
        std::string numbers;
        std::getline(fields, p.uniqueName, '\t');
        std::getline(fields, p.partPath, '\t');
        std::getline(fields, p.sourcePath, '\t');
        std::getline(fields, numbers);
        std::istringstream values(numbers);
        for (Vector4* v : {&p.transform.position, &p.transform.scale, &p.transform.rotation}) {
            for (float* f : {&v->x, &v->y, &v->z}) {
                std::string word;
                values >> word;
                *f = std::strtof(word.c_str(), nullptr);
            }
        }
        all.push_back(p);
    }
    return all;
}

} // namespace quorvane::test
