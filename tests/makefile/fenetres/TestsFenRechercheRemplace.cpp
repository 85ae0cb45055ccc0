// La fenêtre « Rechercher » de la configuration : touches, dispositions, recherche, remplacement.
#include "common/Messages.h"
#include "makefile/fenetres/FenConfiguration.h"
#include "makefile/fenetres/FenRechercheRemplace.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsFenetres.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QTextCursor>
#include <gtest/gtest.h>

namespace {

class FenetreRecherche : public OutilsFenetres::EssaiFenetre<FenConfiguration> {
protected:
    FenetreRecherche() {
        FenConfiguration::Services s = FenConfiguration::Services::parDéfaut();
        s.ouvrirAide = [](const QString&) {};
        vue = ouvrir(s).findChild<VueDocumentRiche*>("RTBMakefile");
    }

    // Touche dans la vue du makefile.
    void touche(int code, Qt::KeyboardModifiers m = Qt::NoModifier) {
        vue->setFocus();
        QTest::keyClick(vue, Qt::Key(code), m);
    }

    FenRechercheRemplace* recherche() { return fenêtre->fenêtreRecherche(); }
    template <class T = QWidget> T* r(const char* nom) {
        return OutilsFenetres::enfant<T>(recherche(), QString::fromUtf8(nom));
    }
    void cliquer(const char* nom) { QTest::mouseClick(r(nom), Qt::LeftButton); }
    void écrire(const char* nom, const QString& texte) {
        OutilsFenetres::taper(r<QLineEdit>(nom), texte, false);
    }
    void cocher(const char* nom, bool oui) { r<QCheckBox>(nom)->setChecked(oui); }
    // Ferme la fenêtre de recherche, qui se détruit.
    void fermer() {
        recherche()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_EQ(recherche(), nullptr);
    }
    QString sélectionVue() const { return vue->textCursor().selectedText(); }
    QString texte() const { return fenêtre->configuration().RTBMakefile.texte(); }

    EssaiConfiguration essai;
    EnregistreurMessages messages;
    VueDocumentRiche* vue = nullptr;
};

} // namespace

// Ctrl+F : fenêtre au premier plan, disposition de recherche ; le bouton Remplacer de la configuration est
// caché tant qu'elle est chargée ; Ctrl+H : disposition de remplacement.
TEST_F(FenetreRecherche, OuvertureDispositionsEtPlace) {
    auto* remplacerConfiguration = fenêtre->findChild<QWidget*>("CBRemplacer");
    touche(Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(recherche(), nullptr);
    EXPECT_TRUE(recherche()->isVisible());
    EXPECT_TRUE(recherche()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(remplacerConfiguration->isHidden());
    EXPECT_FALSE(r("TxBRemplacement")->isVisible());

    const int hauteur = recherche()->height();
    cliquer("CBRExt");
    EXPECT_TRUE(r("TxBRemplacement")->isVisible());
    EXPECT_GT(recherche()->height(), hauteur);

    fermer();
    EXPECT_FALSE(remplacerConfiguration->isHidden());

    touche(Qt::Key_H, Qt::ControlModifier);
    ASSERT_NE(recherche(), nullptr);
    EXPECT_TRUE(recherche()->enDispositionRemplacement());
    EXPECT_TRUE(messages.messages.empty());
}

// Les cases vont à la recherche : depuis le point d'insertion en fin de texte, MCU est
// introuvable ; depuis le début, la première occurrence est sélectionnée dans la vue ; F3 passe à
// la suivante, jusqu'au message de fin. La recherche survit à la fermeture de la fenêtre.
TEST_F(FenetreRecherche, RechercheSuivantEtÉtatGardé) {
    // F3 sans recherche encore faite : la fenêtre de recherche s'ouvre.
    touche(Qt::Key_F3);
    ASSERT_NE(recherche(), nullptr);
    EXPECT_TRUE(messages.messages.empty());

    vue->moveCursor(QTextCursor::End);
    écrire("TxBRechercher", "MCU");
    cocher("CBMotEntier", true);
    cocher("CBMAjMin", true);
    cliquer("CBRechercher");
    ASSERT_EQ(messages.messages.size(), 1u);
    cocher("CBDuDébut", true);
    cliquer("CBRechercher");
    EXPECT_EQ(sélectionVue(), "MCU");
    const int premier = vue->textCursor().selectionStart();
    fermer();

    touche(Qt::Key_F3);
    EXPECT_EQ(sélectionVue(), "MCU");
    EXPECT_GT(vue->textCursor().selectionStart(), premier);
    for (int i = 0; i < 20 && messages.messages.size() == 1; ++i)
        touche(Qt::Key_F3);
    EXPECT_TRUE(messages.messages.back().texte.contains("«MCU»"));

    touche(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(r<QLineEdit>("TxBRechercher")->text(), "MCU");
    for (const char* coché : {"CBMotEntier", "CBMAjMin"})
        EXPECT_TRUE(r<QCheckBox>(coché)->isChecked()) << coché;
}

// Remplacer : d'abord une recherche, puis chaque clic remplace la correspondance et passe à la
// suivante ; un remplacement vide supprime. Remplacer tout cache la fenêtre sans la fermer et
// donne le compte ; le bouton Remplacer de la configuration revient.
TEST_F(FenetreRecherche, RemplacerEtRemplacerTout) {
    touche(Qt::Key_H, Qt::ControlModifier);
    écrire("TxBRechercher", "avrisp");
    écrire("TxBRemplacement", "");
    cocher("CBMotEntier", true);
    cocher("CBDuDébut", true);
    const int avant = int(texte().count("avrisp"));
    ASSERT_GE(avant, 2);
    cliquer("CBRemplacer");
    EXPECT_EQ(sélectionVue(), "avrisp");
    cocher("CBDuDébut", false);
    cliquer("CBRemplacer");
    EXPECT_EQ(texte().count("avrisp"), avant - 1);
    EXPECT_EQ(sélectionVue(), "avrisp");
    EXPECT_TRUE(messages.messages.empty());

    écrire("TxBRemplacement", "stk500");
    cliquer("CBRemplacerTout");
    EXPECT_FALSE(recherche()->isVisible());
    ASSERT_NE(recherche(), nullptr);
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(texte().count("avrisp"), 0);
    EXPECT_EQ(vue->toPlainText().count("stk500"), texte().count("stk500"));
    EXPECT_FALSE(fenêtre->findChild<QWidget*>("CBRemplacer")->isHidden());
}
