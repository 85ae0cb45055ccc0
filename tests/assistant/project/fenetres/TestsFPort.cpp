// La fenêtre des ports hors écran, sur les ports B, C (sans bit 7) et D de l'ATmega8.
#include "assistant/project/ContexteAssistante.h"
#include "assistant/project/fenetres/FPort.h"
#include "outils/OutilsAvr.h"
#include "outils/OutilsFenetres.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class FenetrePorts : public OutilsFenetres::EssaiFenetre<FPort> {
protected:
    FenetrePorts() {
        contexte.ports = ConfigurationPorts::ports(OutilsAvr::composant(QStringLiteral("atmega8")));
        contexte.tablePorts = ConfigurationPorts::nouvelleTable(contexte.ports);
    }
    QListWidget* liste(const char* nom) { return c<QListWidget>(nom); }
    void espace(const char* nom, int ligne) { OutilsFenetres::espace(liste(nom), ligne); }
    void clic(const char* nom, int ligne) { OutilsFenetres::clicCase(liste(nom), ligne); }
    QString cochées(const char* nom) { return OutilsFenetres::cases(liste(nom)); }
    void configurerB() {
        for (int ligne : {0, 1, 2, 3})
            espace("ListDirection", ligne);
        for (int ligne : {6, 7})
            espace("ListPullUp", ligne);
    }
    ContexteAssistante contexte;
};

TEST_F(FenetrePorts, ValeursGardéesEntreLesPortsBitAbsentIntouchableEtTexteDeQuitter) {
    ASSERT_EQ(contexte.ports.size(), 3u);
    ouvrir(contexte);
    configurerB();
    c<QScrollBar>("VScroll1")->setValue(1);
    EXPECT_TRUE(c<QGroupBox>("TPorts")->title().endsWith(u'C'));
    EXPECT_EQ(cochées("ListDirection"), QStringLiteral("00000000"));
    // Le bit 7 de C n'existe pas : ni Espace ni clic ne le cochent, la ligne voisine oui.
    espace("ListDirection", 0);
    EXPECT_EQ(cochées("ListDirection"), QStringLiteral("00000000"));
    clic("ListDirection", 0);
    clic("ListDirection", 1);
    EXPECT_EQ(cochées("ListDirection"), QStringLiteral("01000000"));
    EXPECT_FALSE(liste("ListDirection")->item(0)->flags() & Qt::ItemIsEnabled);
    // Page précédente revient sur B, qui montre ce qui y était coché.
    QTest::keyClick(liste("ListPullUp"), Qt::Key_PageUp);
    EXPECT_EQ(c<QScrollBar>("VScroll1")->value(), 0);
    EXPECT_EQ(cochées("ListDirection"), QStringLiteral("11110000"));
    EXPECT_EQ(cochées("ListPullUp"), QStringLiteral("00000011"));
    // B et C quittés par la barre, D fermé par « Quitter » : chacun son bloc.
    c<QScrollBar>("VScroll1")->setValue(2);
    espace("ListDirection", 7);
    cliquer("BTLQuitter");
    for (const char* attendu : {"DDRB=0xF0;", "PORTB=0x03;", "DDRC=0x40;", "DDRD=0x01;"})
        EXPECT_TRUE(contexte.texteConfigurationPorts.contains(QString::fromUtf8(attendu))) << attendu;
}

TEST_F(FenetrePorts, PortIgnoréSansBlocNiPerteDeValeurs) {
    contexte.tablePorts[0].direction = 0x81;
    contexte.texteConfigurationPorts = QStringLiteral("avant");
    ouvrir(contexte);
    EXPECT_EQ(cochées("ListDirection"), QStringLiteral("10000001"));
    c<QCheckBox>("RCBIgnorerPort")->click();
    EXPECT_TRUE(liste("ListDirection")->isHidden());
    EXPECT_FALSE(c("Label4")->isHidden());
    c<QScrollBar>("VScroll1")->setValue(1);
    EXPECT_FALSE(liste("ListDirection")->isHidden());
    c<QScrollBar>("VScroll1")->setValue(0);
    EXPECT_TRUE(liste("ListPullUp")->isHidden());
    fenêtre->close();
    EXPECT_EQ(contexte.texteConfigurationPorts, QStringLiteral("avant"));
    // Rouverte : toujours ignoré, valeurs intactes, aucun bloc pour B.
    ouvrir(contexte);
    EXPECT_TRUE(c<QCheckBox>("RCBIgnorerPort")->isChecked());
    cliquer("BTLQuitter");
    EXPECT_EQ(contexte.tablePorts[0].direction, 0x81);
    EXPECT_FALSE(contexte.texteConfigurationPorts.contains(QStringLiteral("PORTB")));
    EXPECT_TRUE(contexte.texteConfigurationPorts.contains(QStringLiteral("DDRC=0x00")));
    EXPECT_FALSE(contexte.texteConfigurationPorts.contains(QStringLiteral("DDRD"))); // jamais montré
}

TEST_F(FenetrePorts, ComposantSansPortSeFermeSansErreur) {
    contexte = ContexteAssistante();
    ouvrir(contexte);
    cliquer("BTLQuitter");
    EXPECT_EQ(fenêtre->result(), QDialog::Accepted);
    EXPECT_TRUE(contexte.texteConfigurationPorts.isEmpty());
}

} // namespace
