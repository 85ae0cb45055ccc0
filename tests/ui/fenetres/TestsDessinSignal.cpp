// La part haute de la broche dessinée est le rapport cyclique, quelle que soit la largeur.
#include "ui/fenetres/DessinSignal.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// Part de la largeur utile où la ligne du niveau haut porte la couleur du signal.
double partHaute(DessinSignal& d, int largeur) {
    d.resize(largeur, d.sizeHint().height());
    const QImage image = d.grab().toImage();
    const int marge = 8, y = marge + d.fontMetrics().height() + 6;
    const QColor signal = d.palette().color(QPalette::Highlight);
    int hauts = 0;
    for (int x = marge; x < largeur - marge; ++x) {
        const QColor c = image.pixelColor(x, y);
        if (std::abs(c.red() - signal.red()) + std::abs(c.green() - signal.green()) +
                std::abs(c.blue() - signal.blue()) <
            60)
            ++hauts;
    }
    return double(hauts) / (largeur - 2 * marge);
}

} // namespace

TEST(DessinSignal, LaPartHauteEstLeRapportAToutesLesLargeurs) {
    DessinSignal d;
    for (const double rapport : {0.25, 0.5, 0.8})
        for (const int largeur : {240, 600}) {
            d.montrerMLI(rapport, QStringLiteral("1 kHz"), QString::number(rapport), QStringLiteral("a"),
                         QStringLiteral("b"));
            EXPECT_NEAR(partHaute(d, largeur), rapport, 0.03) << rapport << " à " << largeur << " points";
        }
    // Les chiffres du dessin sont dans sa description, pour le lecteur d'écran.
    d.montrerMLI(0.25, QStringLiteral("1 kHz"), QStringLiteral("0,25"), QStringLiteral("250 µs"),
                 QStringLiteral("750 µs"));
    for (const char* chiffre : {"1 kHz", "0,25", "250 µs", "750 µs"})
        EXPECT_TRUE(d.description().contains(QString::fromUtf8(chiffre))) << chiffre;
}
