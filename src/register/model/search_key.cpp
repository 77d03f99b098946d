#include "search_key.h"

QString SearchKey(const QString& text) {
  // Folded first, so that only the small letters need a plain one.
  QString key = text.normalized(QString::NormalizationForm_C).toCaseFolded();
  for (QChar& c : key) {
    switch (c.unicode()) {
      case u'ą': c = u'a'; break;
      case u'ć': c = u'c'; break;
      case u'ę': c = u'e'; break;
      case u'ł': c = u'l'; break;
      case u'ń': c = u'n'; break;
      case u'ó': c = u'o'; break;
      case u'ś': c = u's'; break;
      case u'ź':
      case u'ż': c = u'z'; break;
      default: break;
    }
  }
  return key;
}
