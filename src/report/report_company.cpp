#include "report_company.h"

std::optional<ReportCompany> LetterheadOf(const CompanyDetails& details) {
  if (details.IsEmpty()) return std::nullopt;
  return ReportCompany{details.name, details.address, details.phone, details.email, details.taxId,
                       QImage::fromData(details.logo)};
}
