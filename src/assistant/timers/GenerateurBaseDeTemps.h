#pragma once
// Code C de la base de temps : réglage du timer en CTC, routine d'interruption au nom du vecteur
// du composant, compteur de tics et sa lecture sûre.
#include "assistant/timers/BaseDeTemps.h"
#include "ui/DocumentRiche.h"

#include <QString>

namespace GenerateurBaseDeTemps {

// Le texte C (fins de ligne CR LF) ; vide quand r ne vient pas de ce composant.
QString code(const CapacitésComposant& c, const BaseDeTemps::Réglage& r);

// Registres du sommet : celui du CTC, puis la comparaison du canal quand elle est ailleurs (elle
// porte l'interruption).
QStringList registresSommet(const TimerComposant& t);

// Numéro du timer tiré de son nom (« Timer1 » : « 1 »).
QString numéro(const TimerComposant& t);

} // namespace GenerateurBaseDeTemps

// Remplit doc avec le code ; en cas d'erreur doc est vidé et le message rendu.
QString GénérerLeCodeBaseDeTemps(const CapacitésComposant& c, const BaseDeTemps::Résultat& r,
                                 DocumentRiche& doc);
