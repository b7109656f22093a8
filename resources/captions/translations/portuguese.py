"""Brazilian Portuguese texts of the caption catalogue (PORTUGUESE), in the order of the English one."""

ENCODING = "cp1252"

SECTIONS = {
    "ZTMainForm": {
        "ZTMainForm": "Zentrim - Deixe seu computador, jogos & internet mais rápidos",
        "BenefitsLabel": "Vantagens do Zentrim",
        "BenefitsDescription":
            "O Zentrim otimiza este computador e a velocidade da internet ajustando várias configurações do "
            "Windows.  Essas alterações podem melhorar o desempenho do computador, dos jogos e da internet.",
        "PerformanceHeading": "Escolha as configurações corretas abaixo",
        "OSVersionLabel": "Sistema operacional : ",
        "ProcessorTypeLabel": "Processador : ",
        "SpeedLabel": "Velocidade : ",
        "ModemTypeLabel": "Tipo de conexão : ",
        "FastLabel": "Rápido",
        "FasterLabel": "Máximo",
        "VersionInstalledLabel": "Versão instalada : ",
        "SoftwareLastUpdateLabel": "Última atualização : ",
        "NavStatic1": "Ajuda",
        "NavStatic2": "Início",
        "NavStatic3": "Suporte",
        "NavStatic4": "Sobre",
        "NavLabel2": "Escolha um link",
        "LinkLabel4": "Ajuda do Zentrim",
        "LinkLabel5": "Falar com o suporte",
        "LinkLabel6": "Visite nosso site",
        "LinkLabel7": "Sobre o Zentrim",
        "GoButton": "&Otimizar agora",
        "RestoreButton": "&Restaurar",
        "UpdatesButton": " &Atualizações ...",
        "HelpFilePopup": "&Ajuda do Zentrim",
        "TechSupportPopup": "Falar com o &suporte técnico",
        "MessageBoxReset1":
            "Todas as alterações feitas nas configurações de sistema, jogos e internet do computador serão "
            "desfeitas e os valores originais recomendados serão restaurados.",
        "MessageBoxReset2": "Clique em OK para continuar.",
        "MessageBoxChangeRestart1":
            "As alterações nas configurações de desempenho de sistema, jogos e internet do computador foram "
            "concluídas.",
        "MessageBoxChangeRestart2": "É necessário reiniciar o Windows para que as alterações entrem em vigor.",
        "MessageBoxChangeRestart3":
            "Clique em Sim para reiniciar o computador agora ou em Não para reiniciar mais tarde.",
        "MessageBoxAccessDenied1":
            "Algumas configurações não puderam ser alteradas porque esta conta de usuário não tem permissão para "
            "alterá-las.",
        "MessageBoxAccessDenied2": "Inicie o Zentrim como administrador para alterar todas as configurações.",
        "MessageBoxBackupFailed1":
            "O Zentrim não conseguiu salvar um backup das configurações atuais e, por isso, não alterou nada.",
        "MessageBoxBackupFailed2": "Inicie o Zentrim como administrador e tente novamente.",
        "MessageBoxElevate1":
            "O Zentrim precisa de direitos de administrador para alterar as configurações de sistema, jogos e "
            "internet do computador e manter um backup delas.",
        "MessageBoxElevate2":
            "Clique em Sim para iniciar o Zentrim como administrador ou em Não para deixar as configurações como "
            "estão.",
        "MessageBoxRecordDamaged1":
            "Estas configurações foram mantidas como estão, porque o registro do Zentrim com os valores "
            "anteriores às alterações está danificado:",
        "MessageBoxRecordDamaged2":
            "Todas as outras configurações foram restauradas. O Zentrim mantém o backup das configurações; "
            "verifique as configurações acima e ajuste-as manualmente se elas tiverem de ser diferentes.",
    },
    "ZTAboutForm": {
        "ZTAboutForm": "Sobre o Zentrim",
        "BannerLabel": "Mais informações sobre este software",
        "VersionLabel": "Zentrim 2  (Versão : ",
        "CopyrightLabel": "Copyright © 2024 ORVANE. Todos os direitos reservados.",
        "LicenseAgreementLabel": "Clique para ver os termos de licença do usuário final",
        "CopyrightWarningLabel":
            "Aviso: este programa de computador é protegido por leis de direitos autorais e tratados "
            "internacionais.  A reprodução ou distribuição não autorizada deste programa, ou de qualquer parte "
            "dele, pode resultar em severas penalidades civis e criminais, e os infratores serão processados "
            "na máxima extensão possível da lei.",
        "HelpButton": "&Ajuda",
        "CloseButton": "&Fechar",
        "LicensedMemo":
            "O Zentrim se baseia nos controles comuns do Windows e no controle de dica de ferramenta do sistema. "
            "Suas imagens PNG são decodificadas pelo Windows Imaging Component e sua verificação de atualizações "
            "usa os Serviços HTTP do Windows (WinHTTP). Os ícones, banners e outras imagens de suas janelas "
            "foram criados para o Zentrim e são © 2024 ORVANE. Microsoft® e Windows® são marcas comerciais da "
            "Microsoft Corporation nos Estados Unidos e em outros países; todos os outros nomes de produtos e "
            "empresas pertencem a seus respectivos proprietários. Para suporte e atualizações, visite o site da "
            "ORVANE.",
    },
    "ZTSettingsForm": {
        "ZTSettingsForm": "Atualizando as configurações de sistema, jogos & internet",
        "MessageUpdate": "Otimizando as configurações de sistema, jogos && internet",
        "MessageRestore": "Restaurando as configurações de sistema, jogos && internet",
        "MessageChange0": "Procurando informações do modem",
        "MessageChange1": "Procurando informações do computador",
        "MessageChange2": "Procurando a memória física instalada",
        "MessageChange3": "Procurando adaptadores de hardware",
        "MessageChange4": "Procurando o dispositivo de vídeo",
        "MessageChange5": "Procurando o dispositivo gráfico 3D",
        "MessageChange6": "Procurando informações do processador",
        "MessageChange7": "Procurando dispositivos de entrada",
        "MessageChange8": "Procurando discos rígidos",
        "MessageChange9": "Fazendo backup das configurações de sistema, jogos && internet",
        "MessageChange10": "Gravando as novas configurações de sistema e internet",
        "MessageChange11": "Restaurando as configurações de sistema, jogos && internet",
    },
    "ZTUpdateForm": {
        "ZTUpdateForm": "Atualizar o Zentrim",
        "BannerLabel": "Baixar e instalar atualizações do Zentrim",
        "UpdateHeading": "Verificar atualizações do Zentrim",
        "UpdateDescription":
            "Clique no botão Atualizar abaixo para baixar e instalar atualizações do Zentrim.",
        "UpdateLabel1": "Procurar atualização",
        "UpdateLabel2": "Baixar atualização",
        "UpdateLabel3": "Instalar atualização",
        "HelpButton": "&Ajuda",
        "UpdateButton": "A&tualizar",
        "CloseButton": "&Fechar",
        "MessageBoxAdmin1": "Você não tem o nível de privilégio necessário para atualizar este software.",
        "MessageBoxAdmin2": "Entre no computador como administrador.",
        "MessageBoxNoConnection1":
            "Não foi possível conectar à internet para verificar se há atualizações do software.",
        "MessageBoxNoConnection2": "Verifique se a sua conexão com a internet está disponível.",
        "MessageBoxNoUpdate1": "Não há atualizações disponíveis para este software.",
        "MessageBoxNoUpdate2": "A versão atual do software já está instalada.",
        "MessageBoxUpdate1": "Há uma atualização deste software disponível para download.",
        "MessageBoxUpdate2": "Deseja baixar e instalar uma nova versão deste software?",
        "MessageBoxManualUpdate1": "Não foi possível atualizar este software automaticamente.",
        "MessageBoxManualUpdate2": "Deseja baixar e instalar manualmente uma nova versão deste software?",
        "MessageBoxUpdateRestart1": "O atualizador não conseguiu atualizar alguns arquivos.",
        "MessageBoxUpdateRestart2": "É necessário reiniciar o Windows para que os arquivos sejam atualizados.",
        "MessageBoxUpdateRestart3":
            "Clique em Sim para reiniciar o computador agora ou em Não para reiniciar mais tarde.",
        "InstallButton": "&Instalar",
        "CancelButton": "Cancelar",
        "StartButton": "Iniciar o &Zentrim",
        "DevelopmentLabel": "Versão de desenvolvimento: só a chave de desenvolvimento, não a da ORVANE.",
        "StatusChecking": "Perguntando ao serviço de atualização se existe uma versão mais nova do Zentrim...",
        "StatusUpToDate": "Não há atualizações disponíveis: o Zentrim %1 é a versão atual.",
        "StatusOffer":
            "O Zentrim %1 está disponível (você tem a %2). Clique em Instalar para baixá-lo (%3) e instalá-lo.",
        "StatusDownloading": "Baixando o Zentrim %1...",
        "ProgressText": "%1 de %2",
        "StatusVerifying": "Verificando se o download é o arquivo publicado pela ORVANE...",
        "StatusInstalling": "O Windows Installer está instalando o Zentrim %1...",
        "StatusClosingProgram":
            "Fechando o Zentrim para que o Windows Installer possa substituí-lo (uma operação em andamento é "
            "concluída antes)...",
        "StatusFinished": "O Zentrim %1 foi instalado. Clique em Iniciar o Zentrim para iniciá-lo.",
        "StatusStartByHand":
            "O Zentrim %1 foi instalado, mas o atualizador não conseguiu fazer o Windows iniciá-lo. Inicie o "
            "Zentrim pelo menu Iniciar.",
        "FailNoProgram":
            "O Zentrim.exe não foi encontrado junto ao atualizador. Instale o Zentrim novamente para atualizá-lo.",
        "FailService":
            "Não foi possível consultar o serviço de atualização: %1. Verifique sua conexão com a internet e "
            "tente novamente mais tarde.",
        "FailServiceUnavailable":
            "O serviço de atualização não está disponível no momento (ele respondeu com o erro %1). Tente "
            "novamente mais tarde.",
        "FailServiceAnswer":
            "O serviço de atualização deu uma resposta que o atualizador não entende. Tente novamente mais tarde.",
        "FailManifest": "Não foi possível obter a descrição da nova versão: %1. Nada foi instalado.",
        "FailSignature": "A descrição da nova versão não está assinada pela ORVANE. Nada foi instalado.",
        "FailBadManifest": "Não é possível ler a descrição da nova versão. Nada foi instalado.",
        "FailExpired":
            "A descrição da nova versão expirou em %1 e pode ser uma antiga enviada de novo. Nada foi instalado. "
            "Tente novamente mais tarde.",
        "FailNotNewer":
            "O serviço de atualização oferece a versão %1, que não é mais nova que a versão instalada %2. Nada "
            "foi instalado.",
        "FailNoPackage": "A nova versão não oferece nenhum pacote para este computador. Nada foi instalado.",
        "FailFolder":
            "Não foi possível criar uma pasta protegida para o download (o atualizador precisa de direitos de "
            "administrador). Nada foi instalado.",
        "FailDownload": "O download falhou: %1. Nada foi instalado.",
        "FailHeld":
            "Não foi possível proteger o download contra alterações até a instalação. Nada foi instalado.",
        "FailSize": "O download não tem o tamanho publicado pela ORVANE. Nada foi instalado.",
        "FailHash": "O download não é o arquivo publicado pela ORVANE. Nada foi instalado.",
        "FailCancelled": "A atualização foi cancelada. Nada foi instalado.",
        "FailInstallerStart": "Não foi possível iniciar o Windows Installer (erro %1). Nada foi instalado.",
        "FailInstallerCancelled": "A instalação foi cancelada. O Zentrim continua como estava.",
        "FailInstaller":
            "O Windows Installer não conseguiu instalar a nova versão (código de saída %1). O Zentrim continua "
            "como estava.",
        "FailFlag":
            "O Zentrim %1 foi instalado, mas o atualizador não conseguiu registrar a atualização no Registro.",
        "ReasonNoConnection": "não há conexão com ele",
        "ReasonRefused": "ele recusou a conexão",
        "ReasonBroken": "a conexão foi interrompida",
        "ReasonTimedOut": "ele parou de responder",
        "ReasonErrorStatus": "ele respondeu com o erro %1",
        "ReasonTooLarge": "a resposta era maior que o permitido",
        "ReasonCancelled": "a operação foi cancelada",
        "ReasonFailed": "erro %1",
    },
}
