#pragma once
// Règles de nombres partagées : lecture d'un nombre en tête de texte, arrondis, conversions
// entières contrôlées et formes décimales écrites.
#include <QString>
#include <cstdint>
#include <stdexcept>

namespace Nombres {

// Dépassement d'une conversion entière.
class ErreurDepassement final : public std::overflow_error {
public:
    explicit ErreurDepassement(const std::string& quoi) : std::overflow_error(quoi) {}
};

// Nombre en tête du texte : blancs de tête sautés, point décimal, exposant E, préfixes &H et &O ;
// s'arrête au premier caractère qui ne prolonge pas le nombre ; pas de nombre = 0.
double val(const QString& texte);

// Arrondi à n décimales, moitiés vers le pair.
double arrondir(double x, int decimales = 0);

// Conversions avec arrondi des moitiés vers le pair ; lèvent ErreurDepassement hors limites.
int16_t versEntier16(double x);
int32_t versEntier32(double x);

// Forme décimale la plus courte, au plus 15 chiffres significatifs, sans exposant pour les
// grandeurs usuelles ; séparateur décimal donné.
QString texteDecimal(double x, QChar separateur = u'.');
// Même chose avec la virgule française.
inline QString texteDecimalVirgule(double x) {
    return texteDecimal(x, u',');
}
// Même chose avec le séparateur de la langue de l'utilisateur.
QString texteDecimalLocal(double x);

// Format « 0.00E+00 » : mantisse à deux décimales et virgule, exposant signé d'au moins deux chiffres.
QString texteScientifique(double x);

// Constante hexadécimale du C, chiffres en majuscules, au moins chiffres chiffres : « 0x0C ».
QString hexaC(uint32_t v, int chiffres = 1);

} // namespace Nombres
