#pragma once
// Tailles et positions en twips (1440 par pouce), converties en pixels selon la résolution
// logique de l'écran de la fenêtre.
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace Twips {

inline constexpr double ParPouce = 1440.0;

// Points par pouce logiques de l'écran qui porte le contrôle (l'écran principal à défaut).
inline double pointsParPouce(const QWidget* contrôle = nullptr) {
    const QScreen* écran =
        contrôle && contrôle->screen() ? contrôle->screen() : QGuiApplication::primaryScreen();
    return écran ? écran->logicalDotsPerInchX() : 96.0;
}

inline int versPixels(double twips, const QWidget* contrôle = nullptr) {
    return int(std::lround(twips * pointsParPouce(contrôle) / ParPouce));
}

inline int depuisPixels(double pixels, const QWidget* contrôle = nullptr) {
    return int(std::lround(pixels * ParPouce / pointsParPouce(contrôle)));
}

} // namespace Twips
