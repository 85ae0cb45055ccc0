#include "ui/fenetres/ServiceMessagesQt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Examine la boîte dès qu'elle s'ouvre, puis clique le bouton voulu (ou la ferme).
RéponseMessage montrer(const Message& m, const std::function<void(QMessageBox*)>& examiner) {
    QTimer::singleShot(0, [&] {
        auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(boite, nullptr);
        examiner(boite);
    });
    ServiceMessagesQt service;
    return service.afficher(m);
}

QStringList textes(QMessageBox* b) {
    QStringList t;
    for (QAbstractButton* x : b->buttons())
        t << x->text();
    t.sort();
    return t;
}

} // namespace

TEST(ServiceMessagesQt, BoutonsFrancaisIconeTitreEtBoutonParDefaut) {
    Message m;
    m.texte = QStringLiteral("Voulez-vous enregistrer ?");
    m.titre = QStringLiteral("Quillon");
    m.icône = IconeMessage::Question;
    m.boutons = BoutonsMessage::OuiNonAnnuler;
    m.parDéfaut = RéponseMessage::Non;
    const RéponseMessage r = montrer(m, [](QMessageBox* b) {
        EXPECT_EQ(b->text(), QStringLiteral("Voulez-vous enregistrer ?"));
        EXPECT_EQ(b->windowTitle(), QStringLiteral("Quillon"));
        EXPECT_EQ(b->icon(), QMessageBox::Question);
        EXPECT_EQ(textes(b),
                  (QStringList{QStringLiteral("Annuler"), QStringLiteral("Non"), QStringLiteral("Oui")}));
        ASSERT_NE(b->defaultButton(), nullptr);
        EXPECT_EQ(b->defaultButton()->text(), QStringLiteral("Non"));
        b->defaultButton()->click();
    });
    EXPECT_EQ(r, RéponseMessage::Non);
}

TEST(ServiceMessagesQt, ReponsesDesAutresJeuxDeBoutons) {
    Message m;
    m.texte = QStringLiteral("Communication impossible.");
    m.icône = IconeMessage::Exclamation;
    m.boutons = BoutonsMessage::RéessayerAnnuler;
    m.parDéfaut = RéponseMessage::Réessayer;
    m.modalSystème = true;
    EXPECT_EQ(
        montrer(
            m,
            [](QMessageBox* b) {
                EXPECT_EQ(b->icon(), QMessageBox::Warning);
                EXPECT_EQ(textes(b), (QStringList{QStringLiteral("Annuler"), QStringLiteral("Réessayer")}));
                EXPECT_TRUE(b->windowFlags() & Qt::WindowStaysOnTopHint);
                b->findChild<QPushButton*>(QStringLiteral("Annuler"))->click();
            }),
        RéponseMessage::Annuler);
    // Fermée par Échap : la réponse d'annulation.
    EXPECT_EQ(montrer(m, [](QMessageBox* b) { b->reject(); }), RéponseMessage::Annuler);

    Message info;
    info.texte = QStringLiteral("Terminé.");
    info.titre = QString(); // titre vide demandé
    EXPECT_EQ(montrer(info,
                      [](QMessageBox* b) {
                          EXPECT_EQ(textes(b), QStringList{QStringLiteral("OK")});
                          EXPECT_EQ(b->icon(), QMessageBox::Information);
                          b->reject();
                      }),
              RéponseMessage::OK);
}
