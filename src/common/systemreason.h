// The system's reason for a failed file operation, in French.
#pragma once
#include <QString>

namespace orugif {

// What errno `error` means, in words the user reads ("plus de place sur le
// disque"); an error without a French text gives the system's own words and
// its number.
QString systemReason(int error);

} // namespace orugif
