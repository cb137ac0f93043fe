// The user's documents folder with "Orvex" below it, the second place for the definition file.
#pragma once

#include <string>

namespace orvex {

// "<documents>\Orvex\" when that folder exists, else empty. Nothing is created: existence is
// told by opening a file that is not expected to be there.
std::string ProbeDocumentsFolder();

// The folder text, whether or not it exists (empty when the system names no documents folder).
std::string DocumentsOrvexFolder();

}  // namespace orvex
