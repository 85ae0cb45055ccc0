// Pièces communes des fenêtres : un gestionnaire qui lève ne sort jamais de la boucle
// d'évènements, la largeur élargie reste dans l'écran.
#include "noyau/ErreurNonRepertoriee.h"
#include "ui/fenetres/KitFenetres.h"
#include "ui/fenetres/Twips.h"

#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

TEST(KitFenetres, GestionnaireQuiLèveDevientErreurNonRépertoriéePuisResynchronise) {
    QStringList erreurs;
    DéfinirAfficheurErreurNonRépertoriée([&erreurs](const QString& e) { erreurs << e; });
    int après = 0;
    const Kit::Protection protéger(QStringLiteral("inconnue"), [&après] { ++après; });
    QSpinBox nombre;
    protéger.brancher(&nombre, &QSpinBox::valueChanged, &nombre, [](int v) {
        if (v == 1) throw std::runtime_error("un");
        if (v == 2) throw 2;
    });
    for (int v : {1, 2, 3})
        nombre.setValue(v);
    DéfinirAfficheurErreurNonRépertoriée(nullptr);
    EXPECT_EQ(erreurs, (QStringList{"un", "inconnue"}));
    EXPECT_EQ(après, 3); // après chaque appel, échec compris
}

TEST(KitFenetres, BasculeDeLargeurBornéeParLÉcran) {
    QWidget fenêtre;
    auto* bouton = new QPushButton(&fenêtre);
    int placements = 0;
    Kit::BasculeLargeur largeur(&fenêtre, bouton, 4000, 1000000, [&placements] { ++placements; });
    largeur.replier();
    EXPECT_FALSE(largeur.estÉlargie());
    largeur.basculer();
    EXPECT_TRUE(largeur.estÉlargie());
    EXPECT_LE(fenêtre.width(), fenêtre.screen()->geometry().width());
    largeur.basculer();
    EXPECT_EQ(fenêtre.width(), Twips::versPixels(4000, &fenêtre));
    EXPECT_EQ(placements, 3);
}
