// Quillon : lancé par l'éditeur une fois par action, avec un argument « action>dossier>nom>extra ».
// Ce programme léger ne charge aucune bibliothèque graphique : il sert les cibles make et confie
// toute fenêtre ou boîte de message au programme des fenêtres, installé à côté de lui.
#include "common/Identite.h"
#include "common/Messages.h"
#include "common/Texte.h"
#include "launcher/LigneDeCommande.h"
#include "launcher/Principal.h"
#include "noyau/Affichage.h"
#include "noyau/EtatGlobal.h"
#include "noyau/Installation.h"
#include "noyau/plateforme/Processus.h"

#include <QDir>
#include <QStringList>
#include <cstdio>
#include <optional>

namespace {

QStringList argumentsOriginaux;
QString dossierInitial;
QString programmeFenêtres;

// Passe la main au programme des fenêtres, dans le dossier courant d'origine ; ne revient qu'en
// cas d'échec, avec le texte de l'erreur.
QString confierAuxFenêtres() {
    QDir::setCurrent(dossierInitial);
    QStringList arguments = argumentsOriginaux;
    arguments[0] = programmeFenêtres;
    return Processus::remplacerPar(programmeFenêtres, arguments);
}

// Un message à montrer : avec un affichage, le programme des fenêtres refait le même démarrage,
// qui échoue de la même façon, et montre la boîte ; sans affichage, la console.
class ServiceMessagesDélégué final : public ServiceMessages {
public:
    RéponseMessage afficher(const Message& m) override {
        if (Affichage::disponible()) console.afficher(Message{confierAuxFenêtres(), TitreApplication()});
        return console.afficher(m);
    }
    ServiceMessagesConsole console;
};

bool actionSansFenêtre(const QString& texteBrut) {
    DécouperLigneDeCommande(texteBrut);
    const QStringList& champs = etatGlobal().ArgumentsLigne;
    const QString mot = champs.size() > 1 ? Texte::minuscules(champs[1]) : QString();
    return mot == u"programmer" || mot == u"nettoyer" || mot == u"reconstruire";
}

// Les deux options usuelles, seules sur la ligne : l'aide et la version, sur la sortie standard.
// Toute autre ligne suit le chemin habituel.
std::optional<QString> réponseOption(const QStringList& arguments) {
    if (arguments.size() != 2) return std::nullopt;
    if (arguments[1] == u"--help") return TexteAide();
    if (arguments[1] == u"--version") return QStringLiteral("Quillon ") + Identite::version() + u'\n';
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 0; i < argc; ++i)
        argumentsOriginaux << QString::fromLocal8Bit(argv[i]);
    if (argumentsOriginaux.isEmpty()) argumentsOriginaux << QStringLiteral("quillon");
    if (const std::optional<QString> réponse = réponseOption(argumentsOriginaux)) {
        const QByteArray octets = réponse->toUtf8();
        std::fwrite(octets.constData(), 1, size_t(octets.size()), stdout);
        return std::fflush(stdout) == 0 ? CodeSortie::Succès : CodeSortie::Erreur;
    }
    dossierInitial = QDir::currentPath();
    const QString dossier = DossierDuProgramme(argv[0]);
    programmeFenêtres = Installation::depuis(dossier).programmeFenêtres;
    const QString texteBrut = TexteBrutLigneDeCommande(argumentsOriginaux.mid(1));

    if (!actionSansFenêtre(texteBrut)) {
        afficherMessage(confierAuxFenêtres(), IconeMessage::Critique);
        return CodeSortie::Erreur;
    }

    ServiceMessagesDélégué messages;
    installerServiceMessages(&messages);
    int code = Principal(texteBrut, dossier);
    // Un message qui n'a pu s'afficher qu'en console est un échec pour l'appelant.
    if (code == CodeSortie::Succès && messages.console.messagePerdu) code = CodeSortie::Erreur;
    installerServiceMessages(nullptr);
    return code;
}
