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
    template <class T = QWidget> T* r(const char* nom) { return OutilsFenetres::enfant<T>(recherche(), nom); }
    void cliquer(const char* nom) { QTest::mouseClick(r(nom), Qt::LeftButton); }
    void écrire(const char* nom, const QString& t) { OutilsFenetres::taper(r<QLineEdit>(nom), t, false); }
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

// Ctrl+F : au premier plan, pour chercher, le Remplacer de la configuration caché jusqu'à la fermeture.
TEST_F(FenetreRecherche, OuvertureDispositionsEtPlace) {
    auto* remplacerConfiguration = fenêtre->findChild<QWidget*>("CBRemplacer");
    touche(Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(recherche(), nullptr);
    EXPECT_EQ(std::tuple(recherche()->isVisible(),
                         recherche()->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                         remplacerConfiguration->isHidden(), r("TxBRemplacement")->isVisible()),
              std::tuple(true, true, true, false));

    const int hauteur = recherche()->height();
    cliquer("CBRExt");
    EXPECT_TRUE(r("TxBRemplacement")->isVisible() && recherche()->height() > hauteur);

    fermer();
    EXPECT_FALSE(remplacerConfiguration->isHidden());
}

// Les cases vont à la recherche (depuis la fin : introuvable ; du début : trouvée) ; F3 passe à la
// suivante jusqu'au message de fin ; la recherche survit à la fermeture de la fenêtre.
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
    EXPECT_EQ(std::tuple(sélectionVue(), vue->textCursor().selectionStart() > premier),
              std::tuple("MCU", true));
    for (int i = 0; i < 20 && messages.messages.size() == 1; ++i)
        touche(Qt::Key_F3);
    EXPECT_TRUE(messages.messages.back().texte.contains("«MCU»"));

    touche(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(r<QLineEdit>("TxBRechercher")->text(), "MCU");
    EXPECT_TRUE(r<QCheckBox>("CBMotEntier")->isChecked() && r<QCheckBox>("CBMAjMin")->isChecked());
}

// Remplacer cherche d'abord, puis remplace (par rien : supprime) et passe à la suivante. Remplacer
// tout cache la fenêtre sans la fermer, donne le compte et rend le Remplacer de la configuration.
TEST_F(FenetreRecherche, RemplacerEtRemplacerTout) {
    touche(Qt::Key_H, Qt::ControlModifier); // pour remplacer
    ASSERT_TRUE(recherche() && recherche()->enDispositionRemplacement());
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
    EXPECT_EQ(std::tuple(texte().count("avrisp"), sélectionVue(), messages.messages.size()),
              std::tuple(avant - 1, "avrisp", 0u));

    écrire("TxBRemplacement", "stk500");
    cliquer("CBRemplacerTout");
    ASSERT_NE(recherche(), nullptr);
    EXPECT_EQ(std::tuple(recherche()->isVisible(), messages.messages.size(), texte().count("avrisp"),
                         fenêtre->findChild<QWidget*>("CBRemplacer")->isHidden()),
              std::tuple(false, 1u, 0, false));
    EXPECT_EQ(vue->toPlainText().count("stk500"), texte().count("stk500"));
}
