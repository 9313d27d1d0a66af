// The animation properties dialog's rules: the version line and how its
// number fields read.
#pragma once
#include <QString>

namespace orugif::tools {

// "Gif Version 87a - 1987" for 1, "Gif Version 89a - 1989" for 2,
// "Gif Version Inconnue" for 0, and "Version" for anything else.
QString versionText(int gifVersion);

// A number field's integer; a text that is not an integer reads as 0.
int fieldNumber(const QString& text);

// The repeat count and the delay are 16-bit numbers in a GIF file: why the
// field named `label` cannot hold `text` (empty when it can). A text that is
// no integer reads as 0, as fieldNumber says. The repeat count may also be
// -1: no loop extension, the animation plays once.
QString fieldRangeError(const QString& label, const QString& text, int minimum = 0);

} // namespace orugif::tools
