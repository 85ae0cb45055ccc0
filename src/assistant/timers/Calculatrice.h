#pragma once
// Règles de texte de la calculatrice MLI : lecture d'un nombre suivi d'une unité, textes des
// fréquences et des durées, résumé du réglage obtenu. Les valeurs restent exactes ; seul ce qui
// est montré est arrondi.
#include "assistant/timers/CalculTimer.h"

#include <QString>
#include <utility>

namespace Calculatrice {

// Le texte rogné, sa première virgule changée en point.
QString VirguleEnPoint(QString& s);

// Valeur lue dans un champ : un nombre (virgule ou point), des blancs facultatifs, une unité
// connue ou rien.
struct Valeur {
    bool valide = false; // faux : texte qui n'est pas un nombre suivi d'une unité connue
    bool vide = false;   // champ vide (ni nombre ni unité)
    double nombre = 0;   // tel que tapé
    QString unité;       // " Hz", " kHz", " MHz" ou " s", " ms", " µs", " ns"
    double valeurSI = 0; // en hertz ou en secondes
};
// Fréquence : Hz, kHz, MHz (casse indifférente pour k ; « M » et « m » valent méga) ; sans unité, Hz.
Valeur lireFréquence(const QString& texte);
// Durée : s, ms, µs (ou us), ns ; sans unité, s.
Valeur lireTemps(const QString& texte);

// Nombre puis unité, pour réécrire un champ : « 1,5 kHz ».
QString texteChamp(double nombre, const QString& unité);

// Textes d'affichage de la calculatrice (arrondis à 2 décimales, moitiés vers le pair).
QString ConvertitFréquence(double f);
QString ConvertitPériode(double t);
std::pair<double, QString> RecalculTemps(double t);

// Quatre chiffres significatifs, virgule française, zéros de queue retirés : « 976,6 ».
QString quatreChiffres(double x);
// Fréquence et durée à quatre chiffres significatifs avec leur unité : « 976,6 Hz », « 1,024 ms ».
QString texteFréquence(double f);
QString texteDurée(double t);
// Écart signé à deux décimales : « +0,00 % », « −2,34 % » (signe moins typographique).
QString texteÉcart(double pourCent);

// Ce que les registres écrits donnent, pour les commentaires du code.
struct Résumé {
    QString F, T, RC, Ton, Toff, Écart;
};
Résumé résumé(const CalculTimer::Réglage& r, ModeMLI mode);

// Source et valeur du sommet : « OCR2A = 52 (53 pas) », « fixe 255 (256 pas) » ; sans les pas
// en CTC, où le rapport ne se règle pas.
QString texteSommet(const CalculTimer::Réglage& r, ModeMLI mode);

// « Obtenu : 976,6 Hz (écart −2,34 %), RC 0,25 – Timer2, Fast PWM, prédivision 64, sommet fixe 255
// (256 pas) ».
QString ligneObtenu(const CalculTimer::Réglage& r, ModeMLI mode, const QString& nomTimer);

} // namespace Calculatrice
