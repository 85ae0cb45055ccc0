// Mesure : pic de mémoire du processus pour un modèle de projet de 3,9 Mo (sous la limite de
// lecture de 4 Mio), le long du chemin de « Voir le code » puis de « Remplacer l'existant » :
// génération dans le tampon, copie dans la vue du code, vue affichée, source écrit.
// Usage : QT_QPA_PLATFORM=offscreen modele_volumineux [etapes]  (etapes : 1 à 4, défaut 4)
// Cible : le pic reste sous 100 Mo.
#include "assistant/project/GenerateurProjet.h"
#include "common/FichierAtomique.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>
#include <utility>

namespace {

double picMo() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return double(r.ru_maxrss) / 1024.0;
}

// Mémoire résidente à l'instant (VmRSS), pour distinguer ce qui reste de ce qui a passé.
double résidentMo() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("VmRSS:")) return l.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

void noter(const char* étape) {
    std::printf("%-34s pic %7.1f Mo   résident %7.1f Mo\n", étape, picMo(), résidentMo());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int étapes = argc > 1 ? std::atoi(argv[1]) : 4;
    QTemporaryDir dossier;
    // Des lignes de code ordinaires, fins de ligne LF, les repères en tête.
    QByteArray modèle =
        "// %Nom% %Version% %Auteur%\n/* %Commentaire% */\n%Include%\nint main(void)\n{\n%Port%\n";
    const QByteArray ligne = "\tvaleur = (valeur << 1) ^ 0x5A; // une ligne de remplissage du modèle\n";
    while (modèle.size() + ligne.size() < 3900 * 1000)
        modèle += ligne;
    modèle += "}\n";
    if (!FichierAtomique::ecrire(dossier.filePath(QStringLiteral("Gros.c.Modèle")), modèle)) return 1;
    modèle = QByteArray();
    noter("départ");

    EntréesProjet e;
    e.dossierModèles = dossier.path();
    e.détails.Nom = QStringLiteral("Essai");
    e.fréquenceCPU = QStringLiteral("8000000");
    DocumentRiche RTBInvisible;
    if (!GénérerLeCodeProjet(e, RTBInvisible).généré) return 1;
    noter("1. généré dans le tampon");
    if (étapes < 2) return 0;

    // Comme la fenêtre : le code passe du tampon au document de la vue, sans copie.
    DocumentRiche code = std::exchange(RTBInvisible, DocumentRiche());
    noter("2. passé au document de la vue");
    if (étapes < 3) return 0;

    VueDocumentRiche vue;
    vue.définirDocument(&code);
    vue.resize(800, 400);
    vue.show();
    QApplication::processEvents();
    noter("3. vue du code affichée");
    if (étapes < 4) return 0;

    DocumentRiche source;
    source.définirTexte(code.texte());
    if (!source.enregistrerTexte(dossier.filePath(QStringLiteral("essai.c")))) return 1;
    noter("4. source écrit");
    return 0;
}
