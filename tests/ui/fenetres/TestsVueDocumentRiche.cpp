#include "makefile/ParametreMakefile.h"
#include "ui/DocumentRiche.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

QTextCharFormat formatVue(const VueDocumentRiche& v, int position) {
    QTextCursor c(v.document());
    c.setPosition(position + 1); // le format lu est celui du caractère avant le curseur
    return c.charFormat();
}

// Écrit une valeur comme la configuration : clé en gras rouge, valeur en gras bleu.
void marquer(DocumentRiche& d, const QString& clé, const QString& valeur) {
    etatMarquage().MarquageActif = true;
    const bool écrit = MarquerParamètre(d, clé, valeur);
    etatMarquage().réinitialiser();
    ASSERT_TRUE(écrit);
}

} // namespace

TEST(VueDocumentRiche, TraductionDesPositionsDansLesDeuxSens) {
    DocumentRiche d;
    d.définirTexte("ab\r\ncd\r\n\r\nef");
    VueDocumentRiche v;
    v.définirDocument(&d);
    EXPECT_EQ(v.toPlainText(), "ab\ncd\n\nef");
    // Une position par cas : ligne vide, après deux sauts (les autres : vues par les frappes).
    for (auto [modèle, vue] : {std::pair<qsizetype, qsizetype>{8, 6}, {10, 7}}) {
        EXPECT_EQ(v.positionModèleVersVue(modèle), vue) << modèle;
        EXPECT_EQ(v.positionVueVersModèle(vue), modèle) << vue;
    }
    // Le LF d'un CR LF : fin de sa ligne ; hors du texte : bornées.
    const std::pair<qsizetype, qsizetype> simples[] = {{3, 2}, {100, 9}, {-3, 0}};
    for (auto [modèle, vue] : simples)
        EXPECT_EQ(v.positionModèleVersVue(modèle), vue) << modèle;
    EXPECT_EQ(v.positionVueVersModèle(100), 12);
}

TEST(VueDocumentRiche, FormatsMontresEtRafraichissementDeLaSeulePartieChangee) {
    DocumentRiche d;
    QString texte;
    for (int i = 0; i < 400; ++i)
        texte += QStringLiteral("# ligne de commentaire %1\r\n").arg(i);
    texte += "MCU = atmega8\r\nF_CPU = 8000000\r\n";
    d.définirTexte(texte);
    VueDocumentRiche v;
    v.resize(500, 300);
    v.show();
    v.définirDocument(&d);

    qsizetype remplacés = 0, ajoutés = 0;
    QObject::connect(v.document(), &QTextDocument::contentsChange, [&](int, int retirés, int insérés) {
        remplacés += retirés;
        ajoutés += insérés;
    });
    const int défilement = 120;
    v.verticalScrollBar()->setValue(défilement);
    marquer(d, "MCU =", "atmega16");
    v.rafraîchir();

    EXPECT_EQ(v.toPlainText(), QString(d.texte()).replace("\r\n", "\n"));
    // Seule la ligne écrite change dans la vue (la clé change de format, la valeur de texte).
    EXPECT_LT(std::max(remplacés, ajoutés), 30);
    EXPECT_EQ(v.verticalScrollBar()->value(), défilement);

    const int clé = int(v.positionModèleVersVue(d.chercher("MCU =")));
    EXPECT_EQ(std::pair(formatVue(v, clé).fontWeight(), formatVue(v, clé).foreground().color()),
              std::pair(int(QFont::Bold), QColor(255, 0, 0)));
    EXPECT_EQ(formatVue(v, clé + 7).foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(formatVue(v, 3).fontWeight(), QFont::Normal);

    // Le point d'insertion du modèle (après la valeur écrite) est celui de la vue.
    EXPECT_EQ(v.textCursor().position(), v.positionModèleVersVue(d.débutSélection()));
    // Une écriture du programme ne s'annule pas depuis la vue.
    EXPECT_FALSE(v.document()->isUndoAvailable());

    // Un format seul qui change (sans texte) est montré aussi.
    d.sélectionner(0, 1);
    d.définirItalique(true);
    v.rafraîchir();
    EXPECT_EQ(std::pair(formatVue(v, 0).fontItalic(), formatVue(v, 1).fontItalic()), std::pair(true, false));

    // Contenu vidé.
    d.vider();
    v.rafraîchir();
    EXPECT_EQ(v.toPlainText(), QString());
}

TEST(VueDocumentRiche, ModificationDeLUtilisateurReporteeDansLeModele) {
    DocumentRiche d;
    d.définirTexte("MCU = atmega8\r\nOPT = s\r\n");
    marquer(d, "OPT =", "2");
    VueDocumentRiche v;
    v.show();
    v.définirDocument(&d);
    QSignalSpy modifiée(&v, &VueDocumentRiche::modifieeParUtilisateur);

    // Frappe au début de la deuxième ligne.
    QTextCursor c = v.textCursor();
    c.setPosition(int(v.positionModèleVersVue(15)));
    v.setTextCursor(c);
    QTest::keyClicks(&v, "# ");
    QTest::keyClick(&v, Qt::Key_Return);
    EXPECT_EQ(d.texte(), "MCU = atmega8\r\n# \r\nOPT = 2\r\n");
    EXPECT_GE(modifiée.count(), 3);
    EXPECT_EQ(d.débutSélection(), 19); // après « # » et le nouveau CR LF
    // Les formats du reste du modèle sont gardés.
    EXPECT_EQ(d.formatEn(19).couleur, CouleurClé);
    EXPECT_EQ(d.formatEn(19 + 6).couleur, CouleurValeurChangée);
    EXPECT_FALSE(d.formatEn(0).gras);

    // Effacement arrière d'un saut de ligne : les deux caractères partent du modèle.
    QTest::keyClick(&v, Qt::Key_Backspace);
    EXPECT_EQ(d.texte(), "MCU = atmega8\r\n# OPT = 2\r\n");

    // Sélection de la vue à cheval sur un saut : reportée avec le saut compté deux fois.
    c = v.textCursor();
    c.setPosition(10);
    c.setPosition(16, QTextCursor::KeepAnchor);
    v.setTextCursor(c);
    EXPECT_EQ(d.texteSélection(), "ga8\r\n# ");
    d.trouver("OPT");
    v.montrerSélection();

    // Un saut de ligne dans le paragraphe (Maj+Entrée) devient un vrai saut dans les deux.
    QTest::keyClick(&v, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(d.texte(), "MCU = atmega8\r\n# \r\n = 2\r\n");
    EXPECT_EQ(v.toPlainText(), "MCU = atmega8\n# \n = 2\n");
}
