#include "report_file_name.h"

QString ReportFileName(const ReportData& data) {
  QString site = data.site ? data.site->id.trimmed() : QString();
  for (QChar& c : site)
    if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) c = u'-';
  // A name of dots alone would be the folder or its parent.
  if (site.count(u'.') == site.size()) site.clear();
  return QStringLiteral("%1_%2.pdf").arg(site.isEmpty() ? QStringLiteral("raport") : site,
                                         data.made.toString(QStringLiteral("yyyy-MM-dd")));
}
