// The frame of every report page: the charting library, the page's style and
// script (files of this folder, embedded by the build) and the element that
// holds the report's data as JSON, which the script reads and tests read back.
// The page asks for nothing over the network: a content security policy
// forbids every request, so it works opened from disk.
#pragma once

#include <ostream>
#include <string>

namespace report {

// Everything up to the opening of the data element (id "report-data").
void writePageStart(std::ostream& out, const std::string& title);
// Closes the data element and adds the library and the page's script.
void writePageEnd(std::ostream& out);

// The page's own words in the current language, as a JSON object.
std::string pageTexts();

}  // namespace report
