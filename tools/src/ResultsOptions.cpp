#include "ResultsOptions.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace kr70 {

bool ParseNumberText(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

bool TakeOptionValue(const ResultsContext& context, size_t& i, const std::string& name, std::string& value) {
    const std::string& argument = context.args[i];
    if (argument == name) {
        if (i + 1 >= context.args.size()) {
            context.Fail(kResultsExitUsage, "option " + name + " needs a value");
            return false;
        }
        value = context.args[++i];
        return true;
    }
    value = argument.substr(name.size() + 1);
    return true;
}

int TakeFilterOption(const ResultsContext& context, size_t& i, ResultFilter& filter, bool withLabel) {
    const std::string& argument = context.args[i];
    const std::string name = argument.substr(0, argument.find('='));
    const bool known = name == "--from" || name == "--to" || name == "--station" || name == "--judgement" ||
                       name == "--name" || name == "--limit" || (withLabel && name == "--label");
    if (!known) {
        return context.Fail(kResultsExitUsage, "unknown argument " + argument);
    }
    std::string value;
    if (!TakeOptionValue(context, i, name, value)) {
        return kResultsExitUsage;
    }
    if (name == "--from") {
        filter.fromUtc = value;
    } else if (name == "--to") {
        filter.toUtc = value;
    } else if (name == "--station") {
        filter.station = value;
    } else if (name == "--name") {
        filter.namePattern = value;
    } else if (name == "--judgement") {
        if (value != "OK" && value != "NG") {
            return context.Fail(kResultsExitUsage, "--judgement is OK or NG");
        }
        filter.judgement = value == "OK" ? 1 : 2;
    } else if (name == "--label") {
        if (value != "good" && value != "bad" && value != "none") {
            return context.Fail(kResultsExitUsage, "--label is good, bad or none");
        }
        filter.label = value;
    } else {
        char* end = nullptr;
        filter.limit = std::strtoll(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || filter.limit <= 0) {
            return context.Fail(kResultsExitUsage, "--limit needs a positive whole number");
        }
    }
    return kResultsExitOk;
}

}  // namespace kr70
