// The check's results for CI systems: bxdisc's own JSON, SARIF 2.1.0 for
// code scanning, and the rule list (as text and as JSON). Output is
// deterministic: the same disc gives the same document, so that a pipeline
// can compare two runs.
#include <climits>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "kit/check/CheckReport.h"
#include "kit/check/RuleTable.h"
#include "kit/cli/Version.h"

using nlohmann::ordered_json;

namespace {

const char kDiscBase[] = "DISCROOT";
// Where a SARIF reader sends people to learn of the tool: the project declares
// no home page, so the manual page, which lists every rule with its remedy.
const char kInformationUri[] = "man:bxdisc(1)";

const char* Level(const CheckRule& rule) { return rule.note ? "note" : "finding"; }
const char* SarifLevel(const CheckRule& rule) { return rule.note ? "note" : "error"; }

// A disc's names may be any bytes; JSON holds only UTF-8.
std::string Dump(const ordered_json& document) {
    return document.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

// RFC 3986: every byte but the unreserved ones and '/' percent-encoded.
std::string UriPath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri;
    for (unsigned char c : path) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~' || c == '/')
            uri += (char)c;
        else
            uri += std::string("%") + kHex[c >> 4] + kHex[c & 15];
    }
    return uri;
}

std::string AbsoluteFolder(const std::string& folder) {
    char resolved[PATH_MAX];
    std::string path = realpath(folder.c_str(), resolved) ? resolved : folder;
    return path.empty() || path.back() != '/' ? path + "/" : path;
}

std::string Message(const Finding& f) { return f.key + ": " + f.reason + "; fix: " + f.remedy; }

ordered_json Location(const std::string& file, int line) {
    return {{"physicalLocation",
             {{"artifactLocation", {{"uri", UriPath(file)}, {"uriBaseId", kDiscBase}}},
              {"region", {{"startLine", line > 0 ? line : 1}}}}}};
}

}  // namespace

std::string FindingsJson(const std::string& folder, const std::vector<Finding>& findings, int status) {
    ordered_json results = ordered_json::array();
    for (const Finding& f : findings) {
        const CheckRule& rule = *f.rule;
        results.push_back({{"ruleId", rule.id},
                           {"rule", rule.name},
                           {"level", Level(rule)},
                           {"key", f.key},
                           {"file", f.file.empty() ? ordered_json() : ordered_json(f.file)},
                           {"line", f.line > 0 ? ordered_json(f.line) : ordered_json()},
                           {"message", f.reason},
                           {"remedy", f.remedy}});
    }
    ordered_json document = {{"tool", "bxdisc"},
                             {"version", std::string(kBxdiscVersion)},
                             {"disc", folder},
                             {"status", status},
                             {"results", results}};
    return Dump(document);
}

std::string FindingsSarif(const std::string& folder, const std::string& infName, const std::vector<Finding>& findings) {
    ordered_json rules = ordered_json::array();
    for (size_t i = 0; i < kCheckRuleCount; ++i) {
        const CheckRule& rule = *kCheckRules[i];
        std::string remedy = GeneralRemedy(rule);
        rules.push_back({{"id", rule.id},
                         {"name", rule.name},
                         {"shortDescription", {{"text", rule.summary}}},
                         // GitHub code scanning requires it: what it finds and the way out.
                         {"fullDescription", {{"text", std::string(rule.summary) + " Fix: " + remedy + "."}}},
                         {"help", {{"text", "Fix: " + remedy}}},
                         {"defaultConfiguration", {{"level", SarifLevel(rule)}}}});
    }
    ordered_json results = ordered_json::array();
    for (const Finding& f : findings) {
        const CheckRule& rule = *f.rule;
        ordered_json result = {{"ruleId", rule.id},
                               {"ruleIndex", (int)RuleIndex(rule)},
                               {"level", SarifLevel(rule)},
                               {"message", {{"text", Message(f)}}}};
        if (!f.file.empty()) {
            bool bInInf = f.file == infName;
            result["locations"] = ordered_json::array({Location(f.file, bInInf ? f.line : 1)});
            // A file that a key names: its key's line as a place of its own.
            if (!bInInf && f.line > 0) {
                ordered_json related = Location(infName, f.line);
                related["id"] = 0;
                related["message"] = {{"text", f.key + " names it"}};
                result["relatedLocations"] = ordered_json::array({related});
            }
        }
        results.push_back(result);
    }
    ordered_json run = {{"tool",
                         {{"driver",
                           {{"name", "bxdisc"},
                            {"version", std::string(kBxdiscVersion)},
                            {"informationUri", kInformationUri},
                            {"rules", rules}}}}},
                        {"originalUriBaseIds", {{kDiscBase, {{"uri", "file://" + UriPath(AbsoluteFolder(folder))}}}}},
                        {"results", results}};
    ordered_json log = {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
                        {"version", "2.1.0"},
                        {"runs", ordered_json::array({run})}};
    return Dump(log);
}

std::string RuleList() {
    std::string text;
    for (size_t i = 0; i < kCheckRuleCount; ++i) {
        const CheckRule& rule = *kCheckRules[i];
        std::string head = std::string(rule.id) + " " + rule.name;
        if (head.size() < 40) head.resize(40, ' ');
        text += head + " " + Level(rule) + "\n    " + rule.summary + "\n    fix: " + GeneralRemedy(rule) + "\n";
    }
    return text;
}

std::string RuleListJson() {
    ordered_json rules = ordered_json::array();
    for (size_t i = 0; i < kCheckRuleCount; ++i) {
        const CheckRule& rule = *kCheckRules[i];
        rules.push_back({{"id", rule.id},
                         {"name", rule.name},
                         {"level", Level(rule)},
                         {"summary", rule.summary},
                         {"remedy", GeneralRemedy(rule)}});
    }
    return Dump(rules);
}
