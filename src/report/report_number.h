#pragma once
// A report's number, RAP/YYYY/CCC-NNNN: the year, a short code of the register that issued it and
// that register's sequence. Each computer (each account) has a register of its own, so the team's
// numbers differ without asking a server.
#include <QString>
#include <QUuid>

// Three characters of the register's UUID in an alphabet without look-alikes (no I, L, O, U).
QString RegisterCode(const QUuid& registerId);

// "RAP/2026/7KX-0042"; a sequence past 9999 takes more digits.
QString ReportNumber(int year, const QUuid& registerId, int sequence);
