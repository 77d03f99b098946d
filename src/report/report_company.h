#pragma once
// The company's details as the report's letterhead takes them.
#include <optional>

#include "company_details.h"
#include "report_data.h"

// Nullopt when no detail is known; a logo that does not decode is left out.
std::optional<ReportCompany> LetterheadOf(const CompanyDetails& details);
