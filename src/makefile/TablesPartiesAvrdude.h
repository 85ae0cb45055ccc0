#pragma once
// Ce que savent les outils installés : la liste des parties de l'avrdude (« avrdude -p ? »),
// identifiant de chaque circuit qu'il connaît, pour les circuits absents de la table des
// microcontrôleurs ; les composants pour lesquels l'avr-gcc compile.
#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <optional>

namespace TablesPartiesAvrdude {

// Nom du circuit en minuscules (« atmega328p ») -> identifiant avrdude (« m328p »).
using Parties = QHash<QString, QString>;

// Délai accordé à avrdude pour donner sa liste.
inline constexpr int DélaiParDéfautMs = 3000;
// Au-delà, la sortie n'est pas une liste de parties.
inline constexpr qsizetype TailleMaximale = 1024 * 1024;

// Lit les lignes « id = Nom » d'une sortie d'avrdude ; ignore tout le reste (en-têtes, lignes
// « deprecated », emplacements entre crochets, octets quelconques).
Parties analyser(const QByteArray& sortie);

// Lance l'avrdude trouvé dans PATH et analyse sa liste. Vide, sans erreur, si avrdude manque,
// ne démarre pas, dépasse le délai (il est alors arrêté) ou écrit plus que TailleMaximale.
Parties lire(int délaiMs = DélaiParDéfautMs);

// Liste lue une seule fois par processus, à la première demande.
const Parties& parties();
// Identifiant avrdude du circuit nommé (sans égard à la casse ni aux blancs autour) ; rien s'il
// est inconnu.
std::optional<QString> partiePour(const QString& nomCircuit);
// Oublie les listes lues : la prochaine demande relance avrdude et avr-gcc.
void réinitialiser();

// Composants (noms en minuscules, « atmega328p ») pour lesquels l'avr-gcc trouvé dans PATH
// compile : les fichiers specs-<composant> de son dossier device-specs, ou à défaut la liste
// « Known MCU names » de --target-help. Vide si avr-gcc manque ou ne répond pas à temps.
using Composants = QSet<QString>;
Composants lireComposantsCompilés(int délaiMs = DélaiParDéfautMs);
// Les composants de --target-help, pour un avr-gcc sans dossier device-specs.
Composants analyserAideCible(const QByteArray& sortie);
// Liste lue une seule fois par processus, à la première demande.
const Composants& composantsCompilés();

} // namespace TablesPartiesAvrdude
