#include "outils/QuandModale.h"
#include "ui/fenetres/ServiceMessagesQt.h"

#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>
#include <tuple>

namespace {

// Examine la boîte dès qu'elle s'ouvre, puis clique le bouton voulu (ou la ferme).
RéponseMessage montrer(const Message& m, const std::function<void(QMessageBox*)>& examiner) {
    OutilsFenetres::quandModale<QMessageBox>(examiner);
    return ServiceMessagesQt().afficher(m);
}

QStringList textes(QMessageBox* b) {
    QStringList t;
    for (QAbstractButton* x : b->buttons())
        t << x->text();
    t.sort();
    return t;
}

} // namespace

// Texte, titre, icône, boutons en français et bouton par défaut passent à la boîte ; la réponse
// est celle du bouton cliqué, l'annulation quand on la ferme.
TEST(ServiceMessagesQt, BoitesEtReponses) {
    Message m{"Voulez-vous enregistrer ?",   "Quillon",           IconeMessage::Question,
              BoutonsMessage::OuiNonAnnuler, RéponseMessage::Non, false};
    EXPECT_EQ(montrer(m,
                      [&m](QMessageBox* b) {
                          EXPECT_EQ(std::tuple(b->text(), b->windowTitle(), b->icon(), textes(b)),
                                    std::tuple(m.texte, m.titre, QMessageBox::Question,
                                               QStringList{"Annuler", "Non", "Oui"}));
                          ASSERT_NE(b->defaultButton(), nullptr);
                          b->defaultButton()->click();
                      }),
              RéponseMessage::Non);

    m.icône = IconeMessage::Exclamation;
    m.boutons = BoutonsMessage::RéessayerAnnuler;
    m.parDéfaut = RéponseMessage::Réessayer;
    m.modalSystème = true;
    EXPECT_EQ(montrer(m,
                      [](QMessageBox* b) {
                          EXPECT_EQ(textes(b), (QStringList{"Annuler", "Réessayer"}));
                          EXPECT_TRUE(b->windowFlags() & Qt::WindowStaysOnTopHint);
                          b->reject();
                      }),
              RéponseMessage::Annuler);

    EXPECT_EQ(montrer(Message{}, // sans titre
                      [](QMessageBox* b) {
                          EXPECT_EQ(textes(b), QStringList{"OK"});
                          b->reject();
                      }),
              RéponseMessage::OK);
}
