#include "core/tools/DrinkListSearch.h"

#include "core/store/Lib.h"

namespace Lib {

LetterIndex BuildLetterIndex(const QStringList& entries)
{
    LetterIndex index{};
    QChar previous;
    for (int position = 0; position < entries.size(); ++position) {
        const QString& entry = entries.at(position);
        if (entry.isEmpty())
            continue;
        const QChar first = ListLetter(entry.at(0));
        if (first != previous && first.unicode() >= u'A' && first.unicode() <= u'Z') {
            previous = first;
            index[first.unicode() - u'A' + 1] = position;
        }
    }
    return index;
}

int IncrementalSearch(const QStringList& entries, const LetterIndex& index, const QString& text)
{
    const qsizetype n = text.trimmed().size();
    int start = 0;
    if (n > 0 && !text.isEmpty() && text.at(0).unicode() >= u'A' && text.at(0).unicode() <= u'Z')
        start = index[text.at(0).unicode() - u'A' + 1];
    // The box's whole text is compared with the first n characters of each entry, accents and
    // letter case aside, so text with blanks around it, or blanks only, matches nothing.
    if (n != text.size())
        return -1;
    for (int position = start; position < entries.size(); ++position) {
        const QString& entry = entries.at(position);
        if (entry.size() < text.size())
            continue;
        bool same = true;
        for (qsizetype k = 0; k < text.size() && same; ++k)
            same = ListLetter(entry.at(k)) == ListLetter(text.at(k));
        if (same)
            return position;
    }
    return -1;
}

} // namespace Lib
