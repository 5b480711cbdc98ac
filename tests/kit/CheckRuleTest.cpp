// A rule's remedy in the words of this disc, and in general words for the
// rule list.
#include <gtest/gtest.h>

#include "TestDisc.h"
#include "kit/check/CheckContext.h"
#include "kit/check/CheckRule.h"

namespace {

TEST(CheckRule, RemedyTakesTheTermsOnce) {
    RemedyTerms terms;
    terms.launcher = "go.exe";
    terms.disc = "/discs/{launcher}";
    terms.key = "shellexecute";
    const struct {
        const char* remedy;
        const char* filled;
    } kRows[] = {
        {"{key}={launcher} /autorun", "shellexecute=go.exe /autorun"},
        // A folder's name is never read as a term.
        {"bxdisc sign {disc} --pkcs12 FILE", "bxdisc sign /discs/{launcher} --pkcs12 FILE"},
        {"{launcher}{launcher}", "go.exego.exe"},
        {"{other} {launch {", "{other} {launch {"},
        {"", ""},
    };
    for (const auto& row : kRows) EXPECT_EQ(row.filled, FillRemedy(row.remedy, terms)) << row.remedy;
    const CheckRule rule = {"BX9999", "test-rule", false, "A test.", "{key}={launcher} in {disc}"};
    EXPECT_EQ("open=setup.exe in DISC", GeneralRemedy(rule));
}

TEST(CheckRule, ContextFillsTheRemedyWithThisDisc) {
    TestDisc test;
    test.LayOutClean();
    test.Finish();
    CDisc disc;
    ASSERT_TRUE(disc.Open(test.folder()));
    DiscCheckOptions options;
    options.launcher = "go.exe";
    std::vector<Finding> findings;
    CCheckContext context(disc, options, &findings);
    const CheckRule rule = {"BX9999", "test-rule", true, "A test.", "{key}={launcher} in {disc}"};
    EXPECT_EQ("shellexecute=go.exe in " + test.folder(), context.Remedy(rule, "shellexecute"));
    context.Add(rule, context.AtFile("x.exe"), "why");
    ASSERT_EQ(1u, findings.size());
    EXPECT_EQ(&rule, findings[0].rule);
    EXPECT_EQ("open=go.exe in " + test.folder(), findings[0].remedy);
    EXPECT_TRUE(findings[0].note);
}

}  // namespace
