// The error that ended the plug-in's Load, told in the author's words.
//
// The load report keeps what the plug-in raised: a kind of error and the
// standard library's fixed message ("invalid stof argument", "invalid vector
// subscript", ...). Those say nothing to a vehicle author, in English or in
// Japanese; the tools show the words below instead, one entry for each kind
// the report can hold.
#pragma once

#include <string>

#include "config/load_report.h"

namespace load_errors {

// What went wrong, as a phrase in the author's language, for the place
// (file and line) that the caller puts before it.
std::string loadErrorText(const config::LoadFailure& failure);

// Only for tests: whether the words of `failure` come from an entry of the
// table rather than from the plug-in's own message.
bool hasWordsFor(const config::LoadFailure& failure);

}  // namespace load_errors
