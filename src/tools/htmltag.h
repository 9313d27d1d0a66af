// The HTML tag that puts the animation on a web page ("Code HTML"), and the
// address the browser preview opens.
#pragma once
#include <QString>
#include <QUrl>

namespace orugif::tools {

// width="W" height="H"
QString sizeText(int width, int height);

// <a href="LINK"><img src="NAME" width=".." height=".." border="B" alt="ALT"></a>
// The link and the alt attribute only when given. Every value is escaped
// for HTML, and the file name is percent-encoded as the relative URL it is:
// a colon before its first slash is escaped, so "javascript:x.gif" names a
// file, never a scheme. A script link (see isScriptLink) is written inert,
// as the relative address "./LINK".
QString htmlTag(const QString& name, const QString& size, const QString& link, const QString& alt,
                const QString& border);

// True when a browser would run `link` as a script: javascript:, vbscript:
// or data: in any case, after any leading spaces and control characters and
// with tabs and line breaks inside ignored, as browsers read it.
bool isScriptLink(const QString& link);

// The saved file's address for the browser, or a French message in `why`
// when there is nothing to show yet.
QUrl previewUrl(const QString& fileName, QString& why);

} // namespace orugif::tools
