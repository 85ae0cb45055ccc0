#pragma once
// Installation copiée des données construites et projet d'exemple (chemin avec blanc et accent).
#include "fuses/DescriptionAVR.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/PreferencesInterface.h"
#include "makefile/RechercheRemplace.h"
#include "noyau/EtatGlobal.h"
#include "outils/OutilsTests.h"
#include "ui/DocumentRiche.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

class EssaiConfiguration {
public:
    EssaiConfiguration() {
        if (!m_temp.isValid()) throw std::runtime_error("dossier temporaire impossible");
        QDir().mkpath(m_projet);
        QDir().mkpath(m_installation);
        const QString c = OutilsTests::dossierConstruction() + u'/';
        if (OutilsTests::executer(
                "cp", {"-r", c + "Modèle", c + "Description des AVR", c + "Skin", m_installation}))
            throw std::runtime_error("copie de l'installation impossible");
        OutilsTests::copierParametres(m_installation);
        QFile::copy(OutilsTests::dossierSources() + QStringLiteral("/exemples/Clignotant/Clignotant.c"),
                    m_projet + QStringLiteral("/Clignotant.c"));

        EtatGlobal& e = etatGlobal();
        e.réinitialiser();
        e.Commande = QStringLiteral("configurer");
        e.DossierInstallation = m_installation;
        e.FichierParamètres = m_installation + QStringLiteral("/Paramètres.xml");
        e.RépertoireDeTravail = m_projet;
        e.NomDeFichier = QStringLiteral("Clignotant");
        e.FichierC = m_projet + QStringLiteral("/Clignotant.c");
        e.RépertoireSkin = m_installation + QStringLiteral("/Skin/Plume/");
        e.ImageBoutonSkin = QStringLiteral("Bouton.png");
        valeursMakefile().réinitialiser();
        etatMarquage().réinitialiser();
        etatRecherche().réinitialiser();
        préférencesInterface().réinitialiser();
        descriptionAVR().réinitialiser();
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    }

    QString installation() const { return m_installation; }
    QString projet() const { return m_projet; }
    QString makefile() const { return m_projet + QStringLiteral("/makefile"); }
    QString configurationParDéfaut() const { return m_installation + QStringLiteral("/Modèle/makefile.rtf"); }
    QString temporaire() const { return m_temp.path(); }

    // Un fichier construit copié dans l'installation (dossiers créés, ancien remplacé).
    void copierConstruit(const QString& relatif) const {
        OutilsTests::ecrireFichier(
            m_installation + u'/' + relatif,
            OutilsTests::lireFichier(OutilsTests::dossierConstruction() + u'/' + relatif));
    }

    void écrireMakefile(const QByteArray& contenu) const { OutilsTests::ecrireFichier(makefile(), contenu); }
    QByteArray makefileÉcrit() const { return OutilsTests::lireFichier(makefile()); }

    // Un makefile du projet fait de la configuration par défaut où chaque ligne « clé ... » est
    // remplacée par « clé valeur » (ou retirée quand la valeur est nulle).
    static QByteArray makefileAvec(const std::vector<std::pair<QString, std::optional<QString>>>& réglages) {
        DocumentRiche d;
        d.charger(OutilsTests::dossierConstruction() + QStringLiteral("/Modèle/makefile.rtf"));
        QStringList lignes = d.texte().split(QStringLiteral("\r\n"));
        for (const auto& [clé, valeur] : réglages)
            for (qsizetype i = 0; i < lignes.size(); ++i)
                if (lignes[i].startsWith(clé)) {
                    if (valeur)
                        lignes[i] = clé + u' ' + *valeur;
                    else
                        lignes.removeAt(i);
                    break;
                }
        return lignes.join(u'\n').toUtf8();
    }

private:
    QTemporaryDir m_temp;
    const QString m_installation = m_temp.path() + QStringLiteral("/Installation");
    const QString m_projet = m_temp.path() + QStringLiteral("/Mes projets/Clignotant été");
};
