// La part haute de la broche dessinée est le rapport cyclique, quelle que soit la largeur ; Ton et Toff
// sont dans la description, pour le lecteur d'écran (fréquence et rapport : vus par la fenêtre).
#include "ui/fenetres/DessinSignal.h"

#include <QImage>
#include <gtest/gtest.h>

TEST(DessinSignal, LaPartHauteEstLeRapportAToutesLesLargeurs) {
    DessinSignal d;
    const int marge = 8;
    for (const double rapport : {0.25, 0.5, 0.8})
        for (const int largeur : {240, 600}) {
            const QString ton = QString::number(rapport) + " ms", toff = QString::number(1 - rapport) + " ms";
            d.montrerMLI(rapport, "1 kHz", QString::number(rapport), ton, toff);
            d.resize(largeur, d.sizeHint().height());
            // Points de la ligne du niveau haut à la couleur du signal.
            const QImage image = d.grab().toImage();
            int hauts = 0;
            for (int x = marge; x < largeur - marge; ++x)
                hauts += image.pixelColor(x, marge + d.fontMetrics().height() + 6) ==
                         d.palette().color(QPalette::Highlight);
            EXPECT_NEAR(double(hauts) / (largeur - 2 * marge), rapport, 0.03) << rapport << " à " << largeur;
            EXPECT_TRUE(d.description().contains(ton) && d.description().contains(toff))
                << d.description().toStdString();
        }
}
