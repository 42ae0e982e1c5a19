// The validator's checks find the faults they are written for: a well-behaved test
// effect passes every check, and each deliberately broken variant fails its check.
#include <gtest/gtest.h>

#include <string>

#include "TestEffect.h"
#include "tools/host/validate/RtCount.h"
#include "tools/host/validate/Validate.h"

namespace lumdel::test {
namespace {

using host::validate::Options;
using host::validate::Result;
using host::validate::Status;

std::vector<Result> validate(Fault fault, std::vector<std::string> only = {}, double timeout = 60.0) {
    currentFault() = fault;  // read by the entry point, also in the forked checks
    Options options;
    options.entry = testEffectEntry;
    options.strictness = 1;
    options.seed = 3;
    options.only = std::move(only);
    options.timeoutSeconds = timeout;
    std::string error;
    auto results = host::validate::runChecks(options, &error);
    EXPECT_TRUE(error.empty()) << error;
    currentFault() = Fault::None;
    return results;
}

std::string evidence(const Result& r) {
    std::string s;
    for (const auto& line : r.lines) s += "\n  " + line;
    return s;
}

const Result* find(const std::vector<Result>& results, const std::string& name) {
    for (const auto& r : results)
        if (r.name == name) return &r;
    return nullptr;
}

bool anyLineContains(const Result& r, const std::string& text) {
    for (const auto& line : r.lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

TEST(Validator, WellBehavedEffectPassesEveryCheck) {
    auto results = validate(Fault::None);
    ASSERT_GE(results.size(), 25u);
    for (const Result& r : results) {
        EXPECT_NE(r.status, Status::Fail) << r.name << evidence(r);
        if (r.name.rfind("lumdel.", 0) == 0) {
            EXPECT_EQ(r.status, Status::Skip) << r.name;
        }
    }
    const Result* rt = find(results, "realtime.block");
    ASSERT_NE(rt, nullptr);
    if (lumdel_rt_available()) {
        EXPECT_EQ(rt->status, Status::Pass) << evidence(*rt);
    }
}

struct FaultCase {
    Fault fault;
    const char* check;
    const char* evidence;  // a piece of the failure's text
};

class ValidatorFinds : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ValidatorFinds, TheFaultItIsWrittenFor) {
    const FaultCase& c = GetParam();
    auto results = validate(c.fault, {c.check}, 5.0);
    const Result* r = find(results, c.check);
    ASSERT_NE(r, nullptr) << c.check;
    EXPECT_EQ(r->status, Status::Fail) << evidence(*r);
    EXPECT_TRUE(anyLineContains(*r, c.evidence)) << "missing '" << c.evidence << "'" << evidence(*r);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ValidatorFinds,
    ::testing::Values(FaultCase{Fault::NaNOutput, "hygiene.finite", "NaN"},
                      FaultCase{Fault::NeverSilent, "hygiene.silence-tail", "still not below"},
                      FaultCase{Fault::WritesInput, "hygiene.inputs-untouched", "input 0 changed"},
                      FaultCase{Fault::BreaksInPlace, "hygiene.in-place", "in-place output differs"},
                      FaultCase{Fault::SharedState, "lifecycle.instances", "share state"},
                      FaultCase{Fault::IgnoresChunk, "state.round-trip", "differs at byte"},
                      FaultCase{Fault::CrashesOnNaN, "automation.random", "crashed"},
                      FaultCase{Fault::JumpsTime, "automation.clicks", "click after Time"},
                      FaultCase{Fault::JumpsOnProgram, "automation.clicks",
                                "click after program 1 (loaded from a second thread)"},
                      FaultCase{Fault::HangsOnLevel, "automation.threaded", "timed out"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) {
        std::string name = info.param.check;
        for (char& c : name)
            if (c == '.' || c == '-') c = '_';
        return name + "_" + std::to_string(info.index);
    });

TEST(Validator, CountsAllocationsInsideTheBlock) {
    if (!lumdel_rt_available()) GTEST_SKIP() << "no interposer in sanitizer builds";
    auto results = validate(Fault::AllocatesInBlock, {"realtime.block"});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].status, Status::Fail) << evidence(results[0]);
    EXPECT_TRUE(anyLineContains(results[0], "malloc")) << evidence(results[0]);
    EXPECT_TRUE(anyLineContains(results[0], "free")) << evidence(results[0]);
}

TEST(Validator, FindsInstancesThatLeak) {
    if (!lumdel_rt_available()) GTEST_SKIP() << "the heap is not measured in sanitizer builds";
    auto results = validate(Fault::LeaksInstance, {"lifecycle.open-close"});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].status, Status::Fail) << evidence(results[0]);
    EXPECT_TRUE(anyLineContains(results[0], "instances leak")) << evidence(results[0]);
}

TEST(Validator, OnlySelectsChecksByName) {
    auto results = validate(Fault::None, {"state."});
    ASSERT_FALSE(results.empty());
    for (const Result& r : results) EXPECT_EQ(r.name.rfind("state.", 0), 0u) << r.name;
}

}  // namespace
}  // namespace lumdel::test
