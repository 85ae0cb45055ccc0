#include "ui/fenetres/InfoBulle.h"

#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <tuple>

// Arrêtée, elle se cache ; durée écoulée : signalée une fois, cachée ; sans durée, un clic la cache.
TEST(InfoBulle, MarcheArretDuréeEtClics) {
    QWidget fenêtre;
    fenêtre.show();
    auto* cible = new QLabel("Fréquence :", &fenêtre);
    InfoBulle bulle(&fenêtre);
    EXPECT_TRUE(bulle.afficher(cible, "Aide"));
    bulle.définirMarcheArret(false);
    EXPECT_FALSE(bulle.estAffichée());
    bulle.définirMarcheArret(true);

    QSignalSpy fin(&bulle, &InfoBulle::tempsEcoule);
    QSignalSpy clic(&bulle, &InfoBulle::cliquee);
    bulle.définirShowingTime(30);
    ASSERT_TRUE(bulle.afficher());
    EXPECT_TRUE(fin.wait(10000));
    EXPECT_FALSE(bulle.estAffichée());

    bulle.définirShowingTime(0);
    ASSERT_TRUE(bulle.afficher());
    QTest::mouseClick(&bulle, Qt::LeftButton, {}, QPoint(bulle.width() / 2, bulle.height() / 2));
    EXPECT_EQ(std::tuple(bulle.estAffichée(), clic.count(), fin.count()), std::tuple(false, 1, 1));
}

TEST(InfoBulle, LargeurEnTwipsEtPlacementSelonLaPlace) {
    QWidget fenêtre;
    InfoBulle bulle(&fenêtre);
    bulle.définirLargeurTwips(4500);
    // Un texte long rend la bulle plus haute, pas plus large.
    bulle.définirTexte("court");
    bulle.définirPosBulle(QPoint(200, 100));
    ASSERT_TRUE(bulle.afficher());
    const int hauteurCourte = bulle.height();
    bulle.définirTexte(QString("Indiquez ici la fréquence du µC. ").repeated(6));
    EXPECT_GT(bulle.height(), hauteurCourte);
    EXPECT_LE(bulle.width(), bulle.largeur() + 4);

    // La pointe touche le point visé : sous lui s'il y a la place, au-dessus sinon.
    EXPECT_EQ(std::tuple(bulle.pointeEnBas(), bulle.y()), std::tuple(false, 100));
    EXPECT_TRUE(bulle.x() <= 200 && bulle.x() + bulle.largeur() > 200) << bulle.x();
    const QRect écran = bulle.screen()->availableGeometry();
    bulle.définirPosBulle(QPoint(écran.right() - 5, écran.bottom() - 5));
    EXPECT_TRUE(bulle.pointeEnBas());
    EXPECT_EQ(bulle.geometry().bottom() - 3, écran.bottom() - 5); // l'ombre déborde de 3 pixels
    EXPECT_LE(bulle.geometry().right(), écran.right() + 4);
}
