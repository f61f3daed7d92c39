#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What each fuzz target demands of its reader, shared by the libFuzzer targets and the regression
// test that replays the kept inputs. Each check returns an empty text when the input was handled
// soundly, else a description of the fault. A crash or an endless loop is a fault too, caught by
// the fuzzer (and by the test, which would not finish).
namespace FuzzChecks {

// Drink documents: a refusal gives a reason; what is accepted keeps its promises (a name, a glass
// number, an ingredient on every line) and survives being written and read again.
QString drinkDocument(const QByteArray& bytes);

// Update indexes: a refusal gives a reason; the items chosen for download have safe, distinct
// file names; the index survives being written and read again; dates read back as written.
QString updateIndex(const QByteArray& bytes);

// Stored-text coding, on the bytes taken as UTF-16 (so broken surrogate pairs occur): each
// direction either refuses with TextCodingError or is undone by the other, and it refuses exactly
// when a character has no shifted form.
QString textCoding(const QByteArray& bytes);

// The service's submission body decoder on the raw bytes, and the whole submission path on a
// drink made of the bytes' text: written, encoded for posting, decoded by the service and read
// back gives the same drink.
QString submissionBody(const QByteArray& bytes);

// The picture list reader: no empty entries, unquoted entries trimmed, and a list of plain entries
// written one per line reads back the same.
QString pictureList(const QByteArray& bytes);

// Recipe files (Bar Assistant JSON, CSV): a refused file gives no records, an accepted record has a
// name and lines with ingredients, and the accepted drinks written in the same format read back
// the same.
QString recipeJson(const QByteArray& bytes);
QString recipeCsv(const QByteArray& bytes);

// The targets by name, as the corpus and regression folders are named.
using Check = QString (*)(const QByteArray&);
struct Target
{
    const char* name;
    Check check;
};
inline constexpr Target Targets[] = {
    {"drink_document", drinkDocument},   {"update_index", updateIndex}, {"text_coding", textCoding},
    {"submission_body", submissionBody}, {"picture_list", pictureList},     {"recipe_json", recipeJson},
    {"recipe_csv", recipeCsv},
};

} // namespace FuzzChecks
