#pragma once

#include <QString>
#include <QStringList>

// What the substitutes and tips windows read. Names and titles always travel as bound values, so
// quotes in them are just characters.
namespace DBLib {

// Ingredients that belong to a substitute group, in name order (letter case aside).
QStringList SubstituteIngredientNames();
// The other members of the named ingredient's group, in catalogue order. The clicked ingredient
// itself (exact spelling) is left out; an ingredient alone in its group, without a group, or whose
// group is not a whole number gives an empty list.
QStringList SubstitutesFor(const QString& ingredient);

// Tip titles in the order of their ID.
QStringList TipTitles();
// The text of the first tip with that title (letter case aside); empty when there is none.
QString TipDescription(const QString& title);

} // namespace DBLib
