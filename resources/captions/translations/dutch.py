"""Dutch texts of the caption catalogue (DUTCH), in the order of the English one."""

ENCODING = "cp1252"

SECTIONS = {
    "ZTMainForm": {
        "ZTMainForm": "Zentrim - Maak uw computer, games & internet sneller",
        "BenefitsLabel": "Voordelen van Zentrim",
        "BenefitsDescription":
            "Zentrim optimaliseert deze computer en de internetsnelheid door enkele instellingen van Windows aan "
            "te passen.  Deze wijzigingen kunnen de prestaties van computer, games en internet verbeteren.",
        "PerformanceHeading": "Kies hieronder de juiste instellingen",
        "OSVersionLabel": "Besturingssysteem : ",
        "ProcessorTypeLabel": "Processor : ",
        "SpeedLabel": "Snelheid : ",
        "ModemTypeLabel": "Type internet : ",
        "FastLabel": "Snel",
        "FasterLabel": "Maximaal",
        "VersionInstalledLabel": "Geïnstalleerde versie : ",
        "SoftwareLastUpdateLabel": "Laatst bijgewerkt : ",
        "NavStatic1": "Help",
        "NavStatic2": "Start",
        "NavStatic3": "Support",
        "NavStatic4": "Info",
        "NavLabel2": "Kies een koppeling",
        "LinkLabel4": "Help bij Zentrim",
        "LinkLabel5": "Contact met support",
        "LinkLabel6": "Bezoek onze website",
        "LinkLabel7": "Over Zentrim",
        "GoButton": "Nu &optimaliseren",
        "RestoreButton": "&Herstellen",
        "UpdatesButton": " &Updates zoeken ...",
        "HelpFilePopup": "&Help bij Zentrim",
        "TechSupportPopup": "&Contact opnemen met technische support",
        "MessageBoxReset1":
            "Hiermee worden alle wijzigingen in de systeem-, game- en internetinstellingen van de computer "
            "teruggezet naar de oorspronkelijke aanbevolen waarden.",
        "MessageBoxReset2": "Klik op OK om door te gaan.",
        "MessageBoxChangeRestart1":
            "De wijzigingen in de prestatie-instellingen voor systeem, games en internet van de computer zijn "
            "voltooid.",
        "MessageBoxChangeRestart2": "U moet Windows opnieuw opstarten om de wijzigingen van kracht te laten worden.",
        "MessageBoxChangeRestart3":
            "Klik op Ja om de computer nu opnieuw op te starten, of op Nee om later opnieuw op te starten.",
        "MessageBoxAccessDenied1":
            "Sommige instellingen zijn niet gewijzigd, omdat dit gebruikersaccount ze niet mag wijzigen.",
        "MessageBoxAccessDenied2": "Start Zentrim als administrator om alle instellingen te wijzigen.",
        "MessageBoxBackupFailed1":
            "Zentrim kan geen back-up van de huidige instellingen opslaan en heeft daarom niets gewijzigd.",
        "MessageBoxBackupFailed2": "Start Zentrim als administrator en probeer het opnieuw.",
        "MessageBoxElevate1":
            "Zentrim heeft administratorrechten nodig om de systeem-, game- en internetinstellingen van de "
            "computer te wijzigen en er een back-up van te bewaren.",
        "MessageBoxElevate2":
            "Klik op Ja om Zentrim als administrator te starten, of op Nee om de instellingen ongewijzigd te laten.",
        "MessageBoxRecordDamaged1":
            "Deze instellingen zijn ongewijzigd gelaten, omdat de registratie door Zentrim van hun waarden van "
            "vóór de wijziging beschadigd is:",
        "MessageBoxRecordDamaged2":
            "Alle andere instellingen zijn hersteld. Zentrim bewaart de back-up van de instellingen; controleer "
            "de bovenstaande instellingen en stel ze handmatig in als ze anders moeten zijn.",
    },
    "ZTAboutForm": {
        "ZTAboutForm": "Over Zentrim",
        "BannerLabel": "Meer informatie over deze software",
        "VersionLabel": "Zentrim 2  (Versie : ",
        "CopyrightLabel": "Copyright © 2024 ORVANE. Alle rechten voorbehouden.",
        "LicenseAgreementLabel": "Klik om de licentievoorwaarden voor eindgebruikers te bekijken",
        "CopyrightWarningLabel":
            "Waarschuwing: dit computerprogramma is beschermd door het auteursrecht en internationale "
            "verdragen.  Onbevoegde verveelvoudiging of verspreiding van dit programma of een deel ervan kan "
            "leiden tot zware civielrechtelijke en strafrechtelijke sancties en wordt vervolgd tot de maximale "
            "omvang die de wet toestaat.",
        "HelpButton": "&Help",
        "CloseButton": "&Sluiten",
        "LicensedMemo":
            "Zentrim is gebouwd op de algemene besturingselementen van Windows en het knopinfo-besturingselement "
            "van het systeem. De PNG-afbeeldingen worden gedecodeerd door Windows Imaging Component en het "
            "zoeken naar updates gebruikt Windows HTTP Services (WinHTTP). De pictogrammen, banners en andere "
            "afbeeldingen in de vensters zijn voor Zentrim gemaakt en zijn © 2024 ORVANE. Microsoft® en "
            "Windows® zijn handelsmerken van Microsoft Corporation in de Verenigde Staten en andere landen; alle "
            "andere product- en bedrijfsnamen zijn eigendom van hun respectieve eigenaars. Ga voor support en "
            "updates naar de website van ORVANE.",
    },
    "ZTSettingsForm": {
        "ZTSettingsForm": "Systeem-, game- & internetinstellingen bijwerken",
        "MessageUpdate": "De systeem-, game- && internetinstellingen worden geoptimaliseerd",
        "MessageRestore": "De systeem-, game- && internetinstellingen worden hersteld",
        "MessageChange0": "Modemgegevens zoeken",
        "MessageChange1": "Computergegevens zoeken",
        "MessageChange2": "Geïnstalleerd fysiek geheugen zoeken",
        "MessageChange3": "Hardwareadapters zoeken",
        "MessageChange4": "Beeldscherm zoeken",
        "MessageChange5": "3D-grafisch apparaat zoeken",
        "MessageChange6": "Processorgegevens zoeken",
        "MessageChange7": "Invoerapparaten zoeken",
        "MessageChange8": "Harde schijven zoeken",
        "MessageChange9": "Back-up maken van systeem-, game- && internetinstellingen",
        "MessageChange10": "Nieuwe systeem- en internetinstellingen schrijven",
        "MessageChange11": "Systeem-, game- && internetinstellingen herstellen",
    },
    "ZTUpdateForm": {
        "ZTUpdateForm": "Zentrim bijwerken",
        "BannerLabel": "Updates voor Zentrim downloaden en installeren",
        "UpdateHeading": "Zoeken naar updates voor Zentrim",
        "UpdateDescription":
            "Klik hieronder op de knop Bijwerken om updates voor Zentrim te downloaden en te installeren.",
        "UpdateLabel1": "Update zoeken",
        "UpdateLabel2": "Update downloaden",
        "UpdateLabel3": "Update installeren",
        "HelpButton": "&Help",
        "UpdateButton": "&Bijwerken",
        "CloseButton": "&Sluiten",
        "MessageBoxAdmin1": "U hebt niet de vereiste bevoegdheden om deze software bij te werken.",
        "MessageBoxAdmin2": "Meld u als administrator aan bij de computer.",
        "MessageBoxNoConnection1": "Kan geen verbinding maken met internet om te zoeken naar software-updates.",
        "MessageBoxNoConnection2": "Controleer of uw internetverbinding beschikbaar is.",
        "MessageBoxNoUpdate1": "Er zijn geen updates beschikbaar voor deze software.",
        "MessageBoxNoUpdate2": "U hebt de huidige versie van de software geïnstalleerd.",
        "MessageBoxUpdate1": "Er is een update voor deze software beschikbaar om te downloaden.",
        "MessageBoxUpdate2": "Wilt u een nieuwe versie van deze software downloaden en installeren?",
        "MessageBoxManualUpdate1": "Deze software kan niet automatisch worden bijgewerkt.",
        "MessageBoxManualUpdate2": "Wilt u een nieuwe versie van deze software handmatig downloaden en installeren?",
        "MessageBoxUpdateRestart1": "Het updateprogramma kan sommige bestanden niet bijwerken.",
        "MessageBoxUpdateRestart2": "U moet Windows opnieuw opstarten om de bestanden bij te werken.",
        "MessageBoxUpdateRestart3":
            "Klik op Ja om de computer nu opnieuw op te starten, of op Nee om later opnieuw op te starten.",
        "InstallButton": "&Update",
        "CancelButton": "Annuleren",
        "StartButton": "&Zentrim starten",
        "DevelopmentLabel": "Ontwikkelversie: vertrouwt alleen de ontwikkelsleutel, niet die van ORVANE.",
        "StatusChecking": "De updateservice wordt gevraagd of er een nieuwere versie van Zentrim is ...",
        "StatusUpToDate": "Er zijn geen updates beschikbaar: Zentrim %1 is de huidige versie.",
        "StatusOffer":
            "Zentrim %1 is beschikbaar (u hebt %2). Klik op Update om het te downloaden (%3) en te installeren.",
        "StatusDownloading": "Zentrim %1 wordt gedownload ...",
        "ProgressText": "%1 van %2",
        "StatusVerifying": "Controleren of de download het bestand is dat ORVANE heeft gepubliceerd ...",
        "StatusInstalling": "Windows Installer installeert Zentrim %1 ...",
        "StatusClosingProgram":
            "Zentrim wordt gesloten, zodat Windows Installer het kan vervangen (een lopende bewerking wordt eerst "
            "voltooid) ...",
        "StatusFinished": "Zentrim %1 is geïnstalleerd. Klik op Zentrim starten om het te starten.",
        "StatusStartByHand":
            "Zentrim %1 is geïnstalleerd, maar het updateprogramma kan het niet door Windows laten starten. Start "
            "Zentrim via het menu Start.",
        "FailNoProgram":
            "Zentrim.exe is niet gevonden naast het updateprogramma. Installeer Zentrim opnieuw om het bij te werken.",
        "FailService":
            "De updateservice kan niet worden bereikt: %1. Controleer uw internetverbinding en probeer het later "
            "opnieuw.",
        "FailServiceUnavailable":
            "De updateservice is op dit moment niet beschikbaar (die antwoordde met fout %1). Probeer het later "
            "opnieuw.",
        "FailServiceAnswer":
            "De updateservice gaf een antwoord dat het updateprogramma niet begrijpt. Probeer het later opnieuw.",
        "FailManifest": "De beschrijving van de nieuwe versie kan niet worden opgehaald: %1. Er is niets geïnstalleerd.",
        "FailSignature":
            "De beschrijving van de nieuwe versie is niet door ORVANE ondertekend. Er is niets geïnstalleerd.",
        "FailBadManifest": "De beschrijving van de nieuwe versie is onleesbaar. Er is niets geïnstalleerd.",
        "FailExpired":
            "De beschrijving van de nieuwe versie is verlopen op %1 en is dus mogelijk een oude die opnieuw is "
            "verzonden. Er is niets geïnstalleerd. Probeer het later opnieuw.",
        "FailNotNewer":
            "De updateservice biedt versie %1 aan, die niet nieuwer is dan de geïnstalleerde versie %2. Er is "
            "niets geïnstalleerd.",
        "FailNoPackage": "De nieuwe versie biedt geen pakket voor deze computer. Er is niets geïnstalleerd.",
        "FailFolder":
            "Er kan geen beveiligde map voor de download worden gemaakt (het updateprogramma heeft "
            "administratorrechten nodig). Er is niets geïnstalleerd.",
        "FailDownload": "Het downloaden is mislukt: %1. Er is niets geïnstalleerd.",
        "FailHeld":
            "De download kan tot de installatie niet tegen wijzigingen worden beveiligd. Er is niets geïnstalleerd.",
        "FailSize": "De download heeft niet de grootte die ORVANE heeft gepubliceerd. Er is niets geïnstalleerd.",
        "FailHash": "De download is niet het bestand dat ORVANE heeft gepubliceerd. Er is niets geïnstalleerd.",
        "FailCancelled": "De update is geannuleerd. Er is niets geïnstalleerd.",
        "FailInstallerStart": "Windows Installer kan niet worden gestart (fout %1). Er is niets geïnstalleerd.",
        "FailInstallerCancelled": "De installatie is geannuleerd. Zentrim blijft zoals het was.",
        "FailInstaller":
            "Windows Installer kan de nieuwe versie niet installeren (afsluitcode %1). Zentrim blijft zoals het was.",
        "FailFlag":
            "Zentrim %1 is geïnstalleerd, maar het updateprogramma kan de update niet in het register vastleggen.",
        "ReasonNoConnection": "er is geen verbinding mee",
        "ReasonRefused": "de verbinding is geweigerd",
        "ReasonBroken": "de verbinding is verbroken",
        "ReasonTimedOut": "er komt geen antwoord meer",
        "ReasonErrorStatus": "die antwoordde met fout %1",
        "ReasonTooLarge": "het antwoord was groter dan toegestaan",
        "ReasonCancelled": "de bewerking is geannuleerd",
        "ReasonFailed": "fout %1",
    },
}
