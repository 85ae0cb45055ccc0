#pragma once
// Règles de texte partagées : blancs, casse, recherche sans égard à la casse.
#include <QString>
#include <QStringList>

namespace Texte {

// Saut de ligne des textes du programme (messages, documents riches) : CR LF.
inline const QString SautDeLigne = QStringLiteral("\r\n");

// Retire les blancs U+0020 en tête et en fin ; les tabulations restent.
QString rogner(const QString& s);
QString rognerGauche(const QString& s);
QString rognerDroite(const QString& s);

// Minuscules, indépendantes de la langue du système.
QString minuscules(const QString& s);

// Position (depuis 0) de aiguille dans botte à partir de début, sans égard à la casse ; -1 si absente.
qsizetype chercherSansCasse(const QString& botte, const QString& aiguille, qsizetype debut = 0);

// Égalité sans égard à la casse.
bool egauxSansCasse(const QString& a, const QString& b);

// Découpe une ligne de commande comme un shell : blancs séparateurs, guillemets doubles ou
// simples gardant ensemble ce qu'ils entourent (et retirés) ; la barre oblique inverse reste un
// caractère ordinaire, pour les chemins Windows.
QStringList decouperCommeUnShell(const QString& ligne);

// Lettre, chiffre ou souligné : ce qui prolonge un identificateur C.
bool estCaractereDeMot(QChar c);

} // namespace Texte
