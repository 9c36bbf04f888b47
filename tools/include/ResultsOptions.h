// Option parsing shared by the kr70-results commands.
#ifndef KR70_TOOLS_RESULTSOPTIONS_H
#define KR70_TOOLS_RESULTSOPTIONS_H

#include <cstddef>
#include <string>

#include "ResultsCommand.h"

namespace kr70 {

// The value of option name at args[i], given as "name value" (i then moves
// on to the value) or "name=value". false after a usage message.
bool TakeOptionValue(const ResultsContext& context, size_t& i, const std::string& name, std::string& value);

// A finite number written in the C locale, the whole text (no blanks, no
// trailing text); false otherwise.
bool ParseNumberText(const std::string& text, double& value);

// Takes the filter option at args[i]: --from, --to, --station, --judgement,
// --name, --limit and, when withLabel, --label. kResultsExitOk when taken,
// else kResultsExitUsage after a message (an unknown argument included).
int TakeFilterOption(const ResultsContext& context, size_t& i, ResultFilter& filter, bool withLabel);

}  // namespace kr70

#endif
