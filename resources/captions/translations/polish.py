"""Polish texts of the caption catalogue (POLISH), in the order of the English one."""

ENCODING = "utf-8-sig"

SECTIONS = {
    "ZTMainForm": {
        "ZTMainForm": "Zentrim - Przyspiesz komputer, gry & internet",
        "BenefitsLabel": "Zalety programu Zentrim",
        "BenefitsDescription":
            "Zentrim zoptymalizuje ten komputer i szybkość internetu, dostosowując kilka ustawień systemu "
            "Windows.  Te zmiany mogą poprawić wydajność komputera, gier i internetu.",
        "PerformanceHeading": "Wybierz poniżej właściwe ustawienia",
        "OSVersionLabel": "System operacyjny : ",
        "ProcessorTypeLabel": "Procesor : ",
        "SpeedLabel": "Szybkość : ",
        "ModemTypeLabel": "Typ połączenia : ",
        "FastLabel": "Szybko",
        "FasterLabel": "Maksymalnie",
        "VersionInstalledLabel": "Zainstalowana wersja : ",
        "SoftwareLastUpdateLabel": "Ostatnia aktualizacja : ",
        "NavStatic1": "Pomoc",
        "NavStatic2": "Start",
        "NavStatic3": "Wsparcie",
        "NavStatic4": "Informacje",
        "NavLabel2": "Wybierz łącze poniżej",
        "LinkLabel4": "Pomoc programu Zentrim",
        "LinkLabel5": "Kontakt z pomocą",
        "LinkLabel6": "Odwiedź naszą witrynę",
        "LinkLabel7": "Informacje o Zentrim",
        "GoButton": "&Optymalizuj teraz",
        "RestoreButton": "&Przywróć",
        "UpdatesButton": " &Aktualizacje ...",
        "HelpFilePopup": "&Pomoc programu Zentrim",
        "TechSupportPopup": "&Kontakt z pomocą techniczną",
        "MessageBoxReset1":
            "Wszystkie zmiany wprowadzone w ustawieniach systemu, gier i internetu tego komputera zostaną "
            "cofnięte do pierwotnych zalecanych wartości.",
        "MessageBoxReset2": "Kliknij przycisk OK, aby kontynuować.",
        "MessageBoxChangeRestart1":
            "Zakończono zmiany ustawień wydajności systemu, gier i internetu tego komputera.",
        "MessageBoxChangeRestart2": "Aby zmiany zaczęły obowiązywać, musisz ponownie uruchomić system Windows.",
        "MessageBoxChangeRestart3":
            "Kliknij przycisk Tak, aby ponownie uruchomić komputer teraz, lub Nie, aby zrobić to później.",
        "MessageBoxAccessDenied1":
            "Nie można było zmienić niektórych ustawień, ponieważ to konto użytkownika nie ma uprawnień do ich "
            "zmiany.",
        "MessageBoxAccessDenied2": "Uruchom program Zentrim jako administrator, aby zmienić wszystkie ustawienia.",
        "MessageBoxBackupFailed1":
            "Program Zentrim nie mógł zapisać kopii zapasowej bieżących ustawień, dlatego niczego nie zmienił.",
        "MessageBoxBackupFailed2": "Uruchom program Zentrim jako administrator i spróbuj ponownie.",
        "MessageBoxElevate1":
            "Program Zentrim potrzebuje uprawnień administratora, aby zmienić ustawienia systemu, gier i "
            "internetu tego komputera i przechować ich kopię zapasową.",
        "MessageBoxElevate2":
            "Kliknij przycisk Tak, aby uruchomić program Zentrim jako administrator, lub Nie, aby pozostawić "
            "ustawienia bez zmian.",
        "MessageBoxRecordDamaged1":
            "Te ustawienia pozostawiono bez zmian, ponieważ zapis programu Zentrim z ich wartościami sprzed "
            "zmiany jest uszkodzony:",
        "MessageBoxRecordDamaged2":
            "Wszystkie inne ustawienia zostały przywrócone. Program Zentrim zachowuje kopię zapasową ustawień; "
            "sprawdź powyższe ustawienia i w razie potrzeby ustaw je ręcznie.",
    },
    "ZTAboutForm": {
        "ZTAboutForm": "Zentrim - informacje",
        "BannerLabel": "Więcej informacji o tym oprogramowaniu",
        "VersionLabel": "Zentrim 2  (Wersja : ",
        "CopyrightLabel": "Copyright © 2024 ORVANE. Wszelkie prawa zastrzeżone.",
        "LicenseAgreementLabel": "Kliknij, aby wyświetlić postanowienia licencyjne",
        "CopyrightWarningLabel":
            "Ostrzeżenie: ten program komputerowy jest chroniony prawem autorskim i umowami międzynarodowymi.  "
            "Nieuprawnione kopiowanie lub rozpowszechnianie tego programu lub jakiejkolwiek jego części może "
            "skutkować surowymi sankcjami cywilnymi i karnymi, a sprawcy będą ścigani w najszerszym zakresie "
            "dopuszczalnym przez prawo.",
        "HelpButton": "&Pomoc",
        "CloseButton": "&Zamknij",
        "LicensedMemo":
            "Program Zentrim korzysta z formantów wspólnych systemu Windows i systemowego formantu etykietek "
            "narzędzi. Jego obrazy PNG dekoduje składnik Windows Imaging Component, a sprawdzanie aktualizacji "
            "korzysta z usług HTTP systemu Windows (WinHTTP). Ikony, banery i inne grafiki w jego oknach "
            "powstały dla programu Zentrim i są © 2024 ORVANE. Microsoft® i Windows® są znakami towarowymi "
            "firmy Microsoft Corporation w Stanach Zjednoczonych i innych krajach; wszystkie inne nazwy "
            "produktów i firm należą do ich właścicieli. Pomoc techniczną i aktualizacje można znaleźć w witrynie "
            "internetowej firmy ORVANE.",
    },
    "ZTSettingsForm": {
        "ZTSettingsForm": "Aktualizowanie ustawień systemu, gier & internetu",
        "MessageUpdate": "Optymalizowanie ustawień systemu, gier && internetu komputera",
        "MessageRestore": "Przywracanie ustawień systemu, gier && internetu komputera",
        "MessageChange0": "Wyszukiwanie informacji o modemie",
        "MessageChange1": "Wyszukiwanie informacji o komputerze",
        "MessageChange2": "Wyszukiwanie zainstalowanej pamięci fizycznej",
        "MessageChange3": "Wyszukiwanie kart sprzętowych",
        "MessageChange4": "Wyszukiwanie urządzenia wyświetlającego",
        "MessageChange5": "Wyszukiwanie urządzenia grafiki 3D",
        "MessageChange6": "Wyszukiwanie informacji o procesorze",
        "MessageChange7": "Wyszukiwanie urządzeń wejściowych",
        "MessageChange8": "Wyszukiwanie dysków twardych",
        "MessageChange9": "Tworzenie kopii zapasowej ustawień systemu, gier && internetu",
        "MessageChange10": "Zapisywanie nowych ustawień systemu i internetu",
        "MessageChange11": "Przywracanie ustawień systemu, gier && internetu",
    },
    "ZTUpdateForm": {
        "ZTUpdateForm": "Aktualizacja programu Zentrim",
        "BannerLabel": "Pobierz i zainstaluj aktualizacje programu Zentrim",
        "UpdateHeading": "Sprawdź aktualizacje programu Zentrim",
        "UpdateDescription":
            "Kliknij poniżej przycisk Aktualizuj, aby pobrać i zainstalować aktualizacje programu Zentrim.",
        "UpdateLabel1": "Znajdź aktualizację",
        "UpdateLabel2": "Pobierz aktualizację",
        "UpdateLabel3": "Zainstaluj aktualizację",
        "HelpButton": "&Pomoc",
        "UpdateButton": "&Aktualizuj",
        "CloseButton": "Za&mknij",
        "MessageBoxAdmin1": "Nie masz uprawnień wymaganych do aktualizacji tego oprogramowania.",
        "MessageBoxAdmin2": "Zaloguj się na tym komputerze jako administrator.",
        "MessageBoxNoConnection1":
            "Nie można połączyć się z internetem, aby sprawdzić dostępność aktualizacji oprogramowania.",
        "MessageBoxNoConnection2": "Sprawdź, czy połączenie internetowe jest dostępne.",
        "MessageBoxNoUpdate1": "Brak dostępnych aktualizacji tego oprogramowania.",
        "MessageBoxNoUpdate2": "Masz zainstalowaną bieżącą wersję oprogramowania.",
        "MessageBoxUpdate1": "Dostępna jest do pobrania aktualizacja tego oprogramowania.",
        "MessageBoxUpdate2": "Czy chcesz pobrać i zainstalować nową wersję tego oprogramowania?",
        "MessageBoxManualUpdate1": "Nie można było automatycznie zaktualizować tego oprogramowania.",
        "MessageBoxManualUpdate2": "Czy chcesz ręcznie pobrać i zainstalować nową wersję tego oprogramowania?",
        "MessageBoxUpdateRestart1": "Program aktualizujący nie mógł zaktualizować niektórych plików.",
        "MessageBoxUpdateRestart2": "Aby pliki zostały zaktualizowane, musisz ponownie uruchomić system Windows.",
        "MessageBoxUpdateRestart3":
            "Kliknij przycisk Tak, aby ponownie uruchomić komputer teraz, lub Nie, aby zrobić to później.",
        "InstallButton": "&Instaluj",
        "CancelButton": "Anuluj",
        "StartButton": "&Uruchom Zentrim",
        "DevelopmentLabel": "Wersja rozwojowa: ufa tylko kluczowi rozwojowemu, a nie kluczowi ORVANE.",
        "StatusChecking": "Sprawdzanie w usłudze aktualizacji, czy istnieje nowsza wersja programu Zentrim...",
        "StatusUpToDate": "Brak dostępnych aktualizacji: Zentrim %1 to bieżąca wersja.",
        "StatusOffer":
            "Dostępny jest Zentrim %1 (masz wersję %2). Kliknij przycisk Instaluj, aby go pobrać (%3) i "
            "zainstalować.",
        "StatusDownloading": "Pobieranie programu Zentrim %1...",
        "ProgressText": "%1 z %2",
        "StatusVerifying": "Sprawdzanie, czy pobrany plik jest plikiem opublikowanym przez ORVANE...",
        "StatusInstalling": "Instalator Windows instaluje program Zentrim %1...",
        "StatusClosingProgram":
            "Zamykanie programu Zentrim, aby Instalator Windows mógł go zastąpić (trwająca operacja zostanie "
            "najpierw dokończona)...",
        "StatusFinished": "Zainstalowano program Zentrim %1. Kliknij przycisk Uruchom Zentrim, aby go uruchomić.",
        "StatusStartByHand":
            "Zainstalowano program Zentrim %1, ale program aktualizujący nie mógł go uruchomić za pomocą systemu "
            "Windows. Uruchom program Zentrim z menu Start.",
        "FailNoProgram":
            "Nie znaleziono pliku Zentrim.exe obok programu aktualizującego. Zainstaluj ponownie program "
            "Zentrim, aby go zaktualizować.",
        "FailService":
            "Nie można połączyć się z usługą aktualizacji: %1. Sprawdź połączenie internetowe i spróbuj ponownie "
            "później.",
        "FailServiceUnavailable":
            "Usługa aktualizacji jest chwilowo niedostępna (odpowiedziała błędem %1). Spróbuj ponownie później.",
        "FailServiceAnswer":
            "Usługa aktualizacji udzieliła odpowiedzi, której program aktualizujący nie rozumie. Spróbuj "
            "ponownie później.",
        "FailManifest": "Nie można pobrać opisu nowej wersji: %1. Niczego nie zainstalowano.",
        "FailSignature": "Opis nowej wersji nie jest podpisany przez ORVANE. Niczego nie zainstalowano.",
        "FailBadManifest": "Nie można odczytać opisu nowej wersji. Niczego nie zainstalowano.",
        "FailExpired":
            "Opis nowej wersji wygasł %1, więc może to być stary opis wysłany ponownie. Niczego nie "
            "zainstalowano. Spróbuj ponownie później.",
        "FailNotNewer":
            "Usługa aktualizacji oferuje wersję %1, która nie jest nowsza od zainstalowanej wersji %2. Niczego "
            "nie zainstalowano.",
        "FailNoPackage": "Nowa wersja nie zawiera pakietu dla tego komputera. Niczego nie zainstalowano.",
        "FailFolder":
            "Nie można utworzyć chronionego folderu na pobierany plik (program aktualizujący potrzebuje "
            "uprawnień administratora). Niczego nie zainstalowano.",
        "FailDownload": "Pobieranie nie powiodło się: %1. Niczego nie zainstalowano.",
        "FailHeld":
            "Nie można było zabezpieczyć pobranego pliku przed zmianami do czasu instalacji. Niczego nie "
            "zainstalowano.",
        "FailSize": "Pobrany plik nie ma rozmiaru opublikowanego przez ORVANE. Niczego nie zainstalowano.",
        "FailHash": "Pobrany plik nie jest plikiem opublikowanym przez ORVANE. Niczego nie zainstalowano.",
        "FailCancelled": "Aktualizacja została anulowana. Niczego nie zainstalowano.",
        "FailInstallerStart": "Nie można uruchomić Instalatora Windows (błąd %1). Niczego nie zainstalowano.",
        "FailInstallerCancelled": "Instalacja została anulowana. Program Zentrim pozostaje bez zmian.",
        "FailInstaller":
            "Instalator Windows nie mógł zainstalować nowej wersji (kod zakończenia %1). Program Zentrim "
            "pozostaje bez zmian.",
        "FailFlag":
            "Zainstalowano program Zentrim %1, ale program aktualizujący nie mógł zapisać aktualizacji w rejestrze.",
        "ReasonNoConnection": "brak połączenia z usługą",
        "ReasonRefused": "usługa odrzuciła połączenie",
        "ReasonBroken": "połączenie zostało przerwane",
        "ReasonTimedOut": "usługa przestała odpowiadać",
        "ReasonErrorStatus": "usługa odpowiedziała błędem %1",
        "ReasonTooLarge": "odpowiedź była większa niż dozwolona",
        "ReasonCancelled": "operacja została anulowana",
        "ReasonFailed": "błąd %1",
    },
}
