// The check as commands print it: check's own report in a format for people
// or for machines, and the short account that the commands resting on the
// check give before their own work.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "kit/check/DiscCheck.h"
#include "kit/disc/Disc.h"

enum class ReportFormat { kText, kJson, kSarif };

// Opens the disc and prints every finding, then every note, in the format;
// kExitUnusable (with the message on stderr) when the folder cannot be read.
int CheckAndReport(const std::string& folder, const DiscCheckOptions& options, ReportFormat format, FILE* out,
                   CDisc* disc);

// Opens the disc and prints only its findings, then "N notes: bxdisc check
// DISC" where it has notes, for a command that stops at a finding.
int CheckBeforeUse(const std::string& folder, const DiscCheckOptions& options, FILE* out, CDisc* disc);

// One JSON document: the tool, the disc and the status, and each result
// with its rule, level, key, file, line, message and remedy.
std::string FindingsJson(const std::string& folder, const std::vector<Finding>& findings, int status);
// A SARIF 2.1.0 log of one run, with every rule and each result located in
// the disc; infName: Autorun.inf's name on the disc, where the keys' lines are.
std::string FindingsSarif(const std::string& folder, const std::string& infName, const std::vector<Finding>& findings);
// "BX0101 setupexe-missing  finding  ...": each rule, its summary and its remedy.
std::string RuleList();
// The same as a JSON array of objects with id, name, level ("finding" or
// "note"), summary and remedy, in the table's order.
std::string RuleListJson();
