// Every rule of the check, in one list: what --list-rules, the man page and
// SARIF's rules are made from.
#pragma once

#include <cstddef>

#include "kit/check/CheckRule.h"

extern const CheckRule* const kCheckRules[];
extern const size_t kCheckRuleCount;

// The rule's place in the list (SARIF's ruleIndex); kCheckRuleCount for none.
size_t RuleIndex(const CheckRule& rule);
