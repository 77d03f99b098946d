#pragma once
// Part of a file name from a text (a site, a port, a telephone number): letters, digits, '-',
// '_', '.' and the characters of `alsoKept`; anything else becomes '_', and the name never
// starts with '.', so that it is neither hidden nor a path.
#include <QString>

inline QString FileNamePart(QString text, QStringView alsoKept = {}) {
  for (QChar& c : text)
    if (!c.isLetterOrNumber() && c != u'-' && c != u'_' && c != u'.' && !alsoKept.contains(c)) c = u'_';
  if (text.startsWith(u'.')) text[0] = u'_';
  return text;
}

// A name in a folder given on the command line, with or without its closing '/'.
inline QString InFolder(const QString& folder, const QString& name) {
  return (folder.endsWith(u'/') ? folder : folder + u'/') + name;
}
