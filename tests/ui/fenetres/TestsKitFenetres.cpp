// Pièces communes des fenêtres : un gestionnaire qui lève ne sort jamais de la boucle
// d'évènements (la bascule de largeur est vue par les fenêtres qui s'en servent).
#include "noyau/ErreurNonRepertoriee.h"
#include "ui/fenetres/KitFenetres.h"

#include <QSpinBox>
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
