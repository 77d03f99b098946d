#pragma once
// What a search compares, made alike on both sides, of the query and of the searched text: the
// text in Unicode's composed form (letters typed with combining accents are the precomposed ones),
// case-folded, and the Polish letters without their diacritics (ł as l). So "zolk", "ŻÓŁK" and
// "żółk" each find both "Żółkiewskiego" and "Zolkiewskiego": a technician at a keyboard without
// Polish letters finds what the office typed with them, and the other way round.
#include <QString>

QString SearchKey(const QString& text);
