// The Lumdel-only checks against a stand-in with Lumdel's identity: they pass on the
// rules as they should be and find a chunk that accepts a foreign identifier and an
// echo that comes too early.
#include <gtest/gtest.h>

#include "FakeLumdel.h"
#include "tools/host/validate/Validate.h"

namespace lumdel::test {
namespace {

using host::validate::Options;
using host::validate::Result;
using host::validate::Status;

std::vector<Result> validateFake(FakeFault fault, const std::string& only) {
    currentFakeFault() = fault;
    Options options;
    options.entry = fakeLumdelEntry;
    options.strictness = 1;
    options.only = {only};
    options.timeoutSeconds = 60.0;
    std::string error;
    auto results = host::validate::runChecks(options, &error);
    EXPECT_TRUE(error.empty()) << error;
    currentFakeFault() = FakeFault::None;
    return results;
}

std::string evidence(const Result& r) {
    std::string s;
    for (const auto& line : r.lines) s += "\n  " + line;
    return s;
}

bool mentions(const Result& r, const std::string& text) {
    for (const auto& line : r.lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

TEST(LumdelChecks, PassOnTheRulesAsTheyShouldBe) {
    for (const char* check : {"lumdel.echo-positions", "lumdel.chunk-rules", "lumdel.presets",
                              "hygiene.silence-tail", "state.bad-chunks", "state.round-trip"}) {
        auto results = validateFake(FakeFault::None, check);
        ASSERT_EQ(results.size(), 1u) << check;
        EXPECT_EQ(results[0].status, Status::Pass) << check << evidence(results[0]);
    }
}

TEST(LumdelChecks, FindAChunkThatAcceptsAForeignIdentifier) {
    auto results = validateFake(FakeFault::AcceptsForeignId, "lumdel.chunk-rules");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].status, Status::Fail);
    EXPECT_TRUE(mentions(results[0], "foreign identifier: answer 0 (expected -1)")) << evidence(results[0]);
}

TEST(LumdelChecks, FindAnEchoThatComesTooEarly) {
    auto results = validateFake(FakeFault::EchoEarly, "lumdel.echo-positions");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].status, Status::Fail);
    EXPECT_TRUE(mentions(results[0], "first echo at frame 22040")) << evidence(results[0]);
}

}  // namespace
}  // namespace lumdel::test
