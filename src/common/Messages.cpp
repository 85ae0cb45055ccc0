#include "common/Messages.h"

#include <cstdio>

namespace {
ServiceMessagesConsole serviceConsole;
ServiceMessages* serviceCourant = nullptr;
} // namespace

ServiceMessages& serviceMessages() {
    return serviceCourant ? *serviceCourant : serviceConsole;
}

void installerServiceMessages(ServiceMessages* s) {
    serviceCourant = s;
}

RéponseMessage afficherMessage(const Message& m) {
    return serviceMessages().afficher(m);
}

RéponseMessage afficherMessage(const QString& texte, IconeMessage icône, const QString& titre) {
    Message m;
    m.texte = texte;
    m.icône = icône;
    m.titre = titre;
    return afficherMessage(m);
}

RéponseMessage ServiceMessagesConsole::afficher(const Message& m) {
    messagePerdu = true;
    QString t = m.texte;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QByteArray octets = (m.titre.isEmpty() ? t : m.titre + QStringLiteral(" : ") + t).toUtf8();
    std::fprintf(stderr, "%s\n", octets.constData());
    std::fflush(stderr);
    return m.parDéfaut;
}

RéponseMessage EnregistreurMessages::afficher(const Message& m) {
    messages.push_back(m);
    if (réponses.empty()) return m.parDéfaut;
    const RéponseMessage r = réponses.front();
    réponses.pop_front();
    return r;
}

void messageCritique(const QString& texte) {
    afficherMessage(texte, IconeMessage::Critique);
}

bool confirmer(const QString& texte, IconeMessage icône) {
    Message m;
    m.texte = texte;
    m.titre = TitreApplication();
    m.icône = icône;
    m.boutons = BoutonsMessage::OuiNon;
    m.parDéfaut = RéponseMessage::Non;
    m.modalSystème = true;
    return afficherMessage(m) == RéponseMessage::Oui;
}
