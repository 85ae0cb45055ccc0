#include "ui/fenetres/ServiceMessagesQt.h"

#include "ui/fenetres/ApplicationGraphique.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <map>

RéponseMessage ServiceMessagesQt::afficher(const Message& m) {
    if (!ApplicationGraphique::assurer()) return console_.afficher(m);

    QMessageBox boite;
    boite.setText(m.texte);
    boite.setWindowTitle(m.titre.isEmpty() ? QStringLiteral(" ") : m.titre);
    switch (m.icône) {
    case IconeMessage::Aucune:
        boite.setIcon(QMessageBox::NoIcon);
        break;
    case IconeMessage::Information:
        boite.setIcon(QMessageBox::Information);
        break;
    case IconeMessage::Exclamation:
        boite.setIcon(QMessageBox::Warning);
        break;
    case IconeMessage::Critique:
        boite.setIcon(QMessageBox::Critical);
        break;
    case IconeMessage::Question:
        boite.setIcon(QMessageBox::Question);
        break;
    }
    if (m.modalSystème) {
        boite.setWindowModality(Qt::ApplicationModal);
        boite.setWindowFlag(Qt::WindowStaysOnTopHint);
    }

    // Boutons aux textes français, indépendants des traductions installées.
    std::map<QAbstractButton*, RéponseMessage> réponses;
    auto ajouter = [&](const QString& texte, QMessageBox::ButtonRole role, RéponseMessage r) {
        QPushButton* b = boite.addButton(texte, role);
        b->setObjectName(texte);
        réponses[b] = r;
        if (r == m.parDéfaut) boite.setDefaultButton(b);
        if (r == RéponseMessage::Annuler || (r == RéponseMessage::OK && m.boutons == BoutonsMessage::OK))
            boite.setEscapeButton(b);
    };
    const QString ok = QStringLiteral("OK"), oui = QStringLiteral("Oui"), non = QStringLiteral("Non"),
                  annuler = QStringLiteral("Annuler"), reessayer = QStringLiteral("Réessayer");
    switch (m.boutons) {
    case BoutonsMessage::OK:
        ajouter(ok, QMessageBox::AcceptRole, RéponseMessage::OK);
        break;
    case BoutonsMessage::OKAnnuler:
        ajouter(ok, QMessageBox::AcceptRole, RéponseMessage::OK);
        ajouter(annuler, QMessageBox::RejectRole, RéponseMessage::Annuler);
        break;
    case BoutonsMessage::OuiNon:
        ajouter(oui, QMessageBox::YesRole, RéponseMessage::Oui);
        ajouter(non, QMessageBox::NoRole, RéponseMessage::Non);
        break;
    case BoutonsMessage::OuiNonAnnuler:
        ajouter(oui, QMessageBox::YesRole, RéponseMessage::Oui);
        ajouter(non, QMessageBox::NoRole, RéponseMessage::Non);
        ajouter(annuler, QMessageBox::RejectRole, RéponseMessage::Annuler);
        break;
    case BoutonsMessage::RéessayerAnnuler:
        ajouter(reessayer, QMessageBox::AcceptRole, RéponseMessage::Réessayer);
        ajouter(annuler, QMessageBox::RejectRole, RéponseMessage::Annuler);
        break;
    }
    boite.exec();
    const auto it = réponses.find(boite.clickedButton());
    if (it != réponses.end()) return it->second;
    // Fermée par la case de fermeture : la réponse de fuite.
    return m.boutons == BoutonsMessage::OK || m.boutons == BoutonsMessage::OuiNon ? m.parDéfaut
                                                                                  : RéponseMessage::Annuler;
}
