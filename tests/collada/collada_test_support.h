#pragma once

#include "collada/collada_import.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace quorvane::test {

// Imports a document whose COLLADA element holds body.
inline CModel ImportBody(std::string_view body, std::string_view path = "./model/test/doc.dae") {
    CModel model;
    const std::string text =
        "<?xml version=\"1.0\"?>\n<COLLADA version=\"1.4.1\">" + std::string(body) + "</COLLADA>";
    EXPECT_TRUE(LoadColladaText(model, text, path));
    return model;
}

} // namespace quorvane::test
