// Un gestionnaire qui lève ne sort pas de la boucle (exception standard : vue dans la configuration).
#include "noyau/ErreurNonRepertoriee.h"
#include "ui/fenetres/KitFenetres.h"

#include <QSpinBox>
#include <gtest/gtest.h>

TEST(KitFenetres, GestionnaireQuiLèveDevientErreurNonRépertoriéePuisResynchronise) {
    QStringList erreurs;
    DéfinirAfficheurErreurNonRépertoriée([&erreurs](const QString& e) { erreurs << e; });
    int après = 0;
    const Kit::Protection protéger(QStringLiteral("inconnue"), [&après] { ++après; });
    QSpinBox nombre;
    protéger.brancher(&nombre, &QSpinBox::valueChanged, &nombre, [](int v) {
        if (v == 1) throw 1;
    });
    for (int v : {1, 2})
        nombre.setValue(v);
    DéfinirAfficheurErreurNonRépertoriée(nullptr);
    EXPECT_EQ(std::pair(erreurs, après), std::pair(QStringList{"inconnue"}, 2)); // « après » : chaque fois
}
