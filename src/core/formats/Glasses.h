#pragma once

#include <QString>
#include <QStringList>

// The glass names the recipe windows offer, and the nearest of them to a glass named elsewhere.
namespace Formats {

// The 25 names, in the order the recipe windows list them.
const QStringList& StandardGlassNames();

// The standard glass a name from another recipe collection means: a standard name itself (letter
// case aside), else the first entry of this table whose words the name contains, else
// "Unknown Glass".
//
//   flute, champagne, prosecco, tulip           Champagne Glass
//   coupe, coupette, saucer                     Coupette Glass
//   margarita                                   Margarita Glass
//   hurricane, tiki, poco grande                Hurricane Glass
//   collins, chimney, zombie                    Collins Glass
//   highball, tall                              Highball Glass
//   old fashioned, rocks, lowball, tumbler,
//     julep                                     Old Fashioned Glass
//   martini, cocktail, nick and nora            Cocktail Glass
//   snifter, brandy, cognac                     Brandy Snifter
//   sherry, copita, port                        Sherry Glass
//   cordial, liqueur                            Cordial Glass
//   pousse                                      Pousse-Cafe Cup
//   shot, shooter                               Shot Glass
//   irish coffee, coffee, toddy, hot drink      Irish Coffee Cup
//   red wine                                    Red Wine Glass
//   wine, goblet                                White Wine Glass
//   pilsner, pint, beer glass, weizen           Beer Pilsner
//   mug, tankard, stein                         Beer Mug
//   mason jar, jar                              Mason Jar
//   parfait                                     Parfait Glass
//   punch                                       Punch Bowl
//   pitcher, jug, carafe                        Pitcher
//   fish bowl, bowl                             Fish Bowl
//   whiskey sour, sour                          Whiskey Sour Glass
QString NearestGlass(const QString& name);

} // namespace Formats
