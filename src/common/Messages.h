#pragma once
// Service des boîtes de message : toute boîte passe par lui. La logique ne voit que cette
// interface ; les fenêtres installent la mise en œuvre graphique, les tests un enregistreur.
#include <QString>
#include <deque>
#include <vector>

enum class IconeMessage { Aucune, Information, Exclamation, Critique, Question };
enum class BoutonsMessage { OK, OKAnnuler, OuiNon, OuiNonAnnuler, RéessayerAnnuler };
enum class RéponseMessage { OK, Annuler, Oui, Non, Réessayer };

struct Message {
    QString texte;
    QString titre;
    IconeMessage icône = IconeMessage::Information;
    BoutonsMessage boutons = BoutonsMessage::OK;
    RéponseMessage parDéfaut = RéponseMessage::OK;
    bool modalSystème = false;
};

// Titre de l'application, porté par la plupart des boîtes.
inline QString TitreApplication() {
    return QStringLiteral("Quillon");
}

class ServiceMessages {
public:
    virtual ~ServiceMessages() = default;
    virtual RéponseMessage afficher(const Message& m) = 0;
};

// Service en place ; par défaut, l'écriture sur la sortie d'erreur.
ServiceMessages& serviceMessages();
// Installe un service (nullptr : retour au service par défaut). Le service n'est pas possédé.
void installerServiceMessages(ServiceMessages* s);

// Raccourcis.
RéponseMessage afficherMessage(const Message& m);
RéponseMessage afficherMessage(const QString& texte, IconeMessage icône,
                               const QString& titre = TitreApplication());
// Boîte critique au titre de l'application, la plus courante des boîtes d'échec.
void messageCritique(const QString& texte);
// Question Oui/Non au titre de l'application, Non par défaut, modale pour tout le système : vrai
// pour Oui. Les questions avant d'écraser ou de supprimer.
bool confirmer(const QString& texte, IconeMessage icône);

// Sans affichage possible : écrit le texte sur la sortie d'erreur et répond le bouton par défaut.
class ServiceMessagesConsole final : public ServiceMessages {
public:
    RéponseMessage afficher(const Message& m) override;
    // Vrai dès qu'un message n'a pu être montré qu'en console.
    bool messagePerdu = false;
};

// Pour les tests : garde chaque message et répond selon un scénario (sinon le bouton par défaut).
class EnregistreurMessages final : public ServiceMessages {
public:
    EnregistreurMessages() { installerServiceMessages(this); }
    ~EnregistreurMessages() override { installerServiceMessages(nullptr); }
    EnregistreurMessages(const EnregistreurMessages&) = delete;
    EnregistreurMessages& operator=(const EnregistreurMessages&) = delete;

    RéponseMessage afficher(const Message& m) override;

    std::vector<Message> messages;
    std::deque<RéponseMessage> réponses;
};
