#include "db/Demo.h"

#include "db/Credentials.h"
#include "db/Migrations.h"
#include "db/Sql.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <vector>

namespace erpdb {

namespace {

using detail::BatchInsert;
using detail::Fail;

constexpr int kMaxAssets = 5'000'000;
// Asset numbers with a fixed role whatever the seed, so people and tests can find them.
constexpr int kAssetWithoutLocation = 7;
constexpr int kAssetWithLongHistory = 10;
constexpr int kLongHistoryLength = 24;
const QString kDemoOperator = QStringLiteral("000000000001");
const QString kReal = QStringLiteral("R");  // IDSIMULOPERABEM of an effective (not simulated) operation

// splitmix64: tiny and the same on every platform and library, so a seed always gives the
// same demo.
class Rng {
public:
    explicit Rng(quint64 seed) : state_(seed) {}

    quint64 next() {
        quint64 z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % quint64(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    double unit() { return double(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return unit() < p; }
    template <class T>
    const T& pick(const std::vector<T>& items) { return items[std::size_t(below(int(items.size())))]; }

private:
    quint64 state_;
};

// A moment of the working day. The draws are sequenced explicitly: the evaluation order of
// function arguments is unspecified, and the demo must not depend on the compiler.
QString Timestamp(Rng& rng, const QDate& date, int firstHour, int lastHour) {
    const int hour = rng.between(firstHour, lastHour);
    const int minute = rng.below(60);
    const int second = rng.below(60);
    return QStringLiteral("%1T%2:%3:%4")
        .arg(date.toString(Qt::ISODate))
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'))
        .arg(second, 2, 10, QLatin1Char('0'));
}

QString Pad(qint64 n, int width) { return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0')); }
QString Utf8(const char* text) { return QString::fromUtf8(text); }
double Cents(double value) { return std::round(value * 100.0) / 100.0; }


// ---- Fixed reference data --------------------------------------------------------------

struct CompanyDef {
    const char* code;
    const char* name;
};
const CompanyDef kCompanies[] = {
    {"01", "Transportes Serra Azul S.A."},
    {"02", "Metalúrgica Vale do Aço Ltda."},
    {"03", "Alimentos Boa Mesa Ltda."},
};

struct BranchDef {
    const char* code;
    int company;  // index into kCompanies
    const char* name;
};
const BranchDef kBranches[] = {
    {"0001", 0, "Matriz São Paulo"},
    {"0002", 0, "Filial Campinas"},
    {"0003", 0, "Filial Santos"},
    {"0004", 0, "Filial Ribeirão Preto"},
    {"0005", 0, "Filial Sorocaba"},
    {"0006", 0, "Oficina São José dos Campos"},
    {"00A1", 0, "Depósito Jundiaí"},
    {"0101", 1, "Matriz Belo Horizonte"},
    {"0102", 1, "Fábrica Contagem"},
    {"0103", 1, "Fábrica Ipatinga"},
    {"0104", 1, "Filial Juiz de Fora"},
    {"0105", 1, "Filial Uberlândia"},
    {"0B02", 1, "Almoxarifado Betim"},
    {"0201", 2, "Matriz Curitiba"},
    {"0202", 2, "Filial Londrina"},
    {"0203", 2, "Filial Maringá"},
    {"0204", 2, "Filial Joinville"},
    {"0205", 2, "Filial Florianópolis"},
    {"0C03", 2, "CD Ponta Grossa"},
};

// branches: "*" every branch, "" none, otherwise branch codes separated by spaces.
struct CostCentreDef {
    const char* code;
    const char* name;
    const char* branches;
};
const CostCentreDef kCostCentres[] = {
    {"0001", "Administrativo", "*"},
    {"0002", "Financeiro", "0001 0101 0201"},
    {"0003", "Comercial", "*"},
    {"0004", "Logística", "*"},
    {"0005", "Manutenção", "0001 0003 00A1 0102 0103 0B02 0202 0C03"},
    {"0006", "Tecnologia da Informação", "0001 0101 0201"},
    {"0007", "Recursos Humanos", "0001 0101 0201"},
    {"0008", "Frota", "0001 0002 0003 0101 0201 0204"},
    {"0009", "Almoxarifado", "00A1 0B02 0C03"},
    {"0010", "Produção", "0102 0103 0104 0B02"},
    {"0011", "Qualidade", "0102"},
    {"0012", "Expedição", "0003 0005 0203"},
    {"0013", "Compras", "0001"},
    {"0014", "Engenharia", "0103 0105"},
    {"0015", "Segurança do Trabalho", "0101"},
    {"0016", "Controladoria", "0201"},
    {"0017", "Oficina Mecânica", "0006"},
    {"0018", "Armazém Refrigerado", "0205"},
    {"0019", "Projetos Especiais", ""},
    {"0020", "Obras em Andamento", ""},
};

struct OperatorDef {
    int number;
    const char* name;
    bool active;
};
const OperatorDef kOperators[] = {
    {1, "Administrador do Sistema", true},
    {2, "Ana Paula Ferreira", true},
    {3, "Carlos Eduardo Lima", true},
    {4, "Mariana Souza Costa", true},
    {5, "José Roberto Alves", true},
    {6, "Fernanda Oliveira", true},
    {7, "Ricardo Mendes", true},
    {8, "Juliana Rocha", true},
    {9, "Paulo Henrique Santos", false},
    {10, "Beatriz Carvalho", true},
    {11, "Marcos Vinícius Pereira", true},
    {12, "Luciana Martins", true},
    {13, "Rafael Gomes", true},
    {14, "Camila Ribeiro", true},
    {15, "André Luiz Barbosa", true},
    {16, "Patrícia Almeida", true},
    {17, "Thiago Nascimento", false},
    {18, "Aline Cardoso", true},
    {19, "Gustavo Teixeira", true},
    {20, "Renata Correia", true},
    {21, "Diego Araújo", true},
    {22, "Vanessa Moreira", true},
    {23, "Felipe Cavalcanti", true},
    {24, "Larissa Dias", false},
    {25, "Rodrigo Monteiro", true},
    {26, "Tatiane Freitas", true},
};

// responsible: operator number, 0 for none. Sector 0016 keeps an operator who has left.
struct SectorDef {
    const char* code;
    const char* costCentre;
    const char* name;
    const char* acronym;
    int responsible;
};
const SectorDef kSectors[] = {
    {"0001", "0001", "Secretaria Geral", "SEC", 2},
    {"0002", "0001", "Recepção", "REC", 3},
    {"0003", "0002", "Contabilidade", "CONT", 4},
    {"0004", "0002", "Tesouraria", "TES", 0},
    {"0005", "0002", "Contas a Pagar", "CPAG", 5},
    {"0006", "0003", "Vendas Internas", "VEND", 6},
    {"0007", "0003", "Atendimento ao Cliente", "SAC", 7},
    {"0008", "0004", "Roteirização", "ROT", 8},
    {"0009", "0004", "Tráfego", "TRAF", 0},
    {"0010", "0005", "Manutenção Elétrica", "MELET", 10},
    {"0011", "0005", "Manutenção Mecânica", "MMEC", 11},
    {"0012", "0006", "Suporte Técnico", "SUP", 12},
    {"0013", "0006", "Infraestrutura", "INFRA", 13},
    {"0014", "0006", "Desenvolvimento de Sistemas", "DEV", 0},
    {"0015", "0007", "Departamento Pessoal", "DP", 14},
    {"0016", "0007", "Treinamento", "TREIN", 9},
    {"0017", "0008", "Controle de Frota", "FROTA", 15},
    {"0018", "0009", "Estoque Geral", "EST", 16},
    {"0019", "0009", "Recebimento", "RECEB", 0},
    {"0020", "0010", "Linha de Montagem", "MONT", 18},
    {"0021", "0010", "Usinagem", "USIN", 19},
    {"0022", "0010", "Pintura", "PINT", 20},
    {"0023", "0011", "Inspeção de Qualidade", "INSP", 21},
    {"0024", "0012", "Carga e Descarga", "CARGA", 22},
    {"0025", "0013", "Suprimentos", "SUPR", 23},
    {"0026", "0014", "Projetos de Engenharia", "PROJ", 25},
    {"0027", "0015", "SESMT", "SESMT", 26},
    {"0028", "0016", "Custos", "CUST", 2},
    {"0029", "0017", "Funilaria e Pintura", "FUN", 6},
    {"0030", "0018", "Câmara Fria", "CFRIA", 8},
    {"0031", "0019", "Escritório de Projetos", "PMO", 3},
};

// Same operation types in every company. Kind "03" is the physical transfer.
struct OperationTypeDef {
    const char* code;
    const char* name;
    const char* kind;
};
const OperationTypeDef kOperationTypes[] = {
    {"000001", "Transferência entre filiais", "03"},
    {"000002", "Transferência para conserto em outra filial", "03"},
    {"000003", "Aquisição de bens", "01"},
    {"000004", "Baixa por venda", "02"},
    {"000005", "Baixa por sucata ou extravio", "02"},
    {"000006", "Remanejamento entre unidades", "03"},
    {"000007", "Reavaliação patrimonial", "04"},
};

struct MotiveDef {
    const char* type;
    const char* code;
    const char* name;
};
const MotiveDef kMotives[] = {
    {"000001", "000001", "Reestruturação de área"},
    {"000001", "000002", "Abertura de nova filial"},
    {"000001", "000003", "Remanejamento de equipamento"},
    {"000002", "000001", "Conserto em garantia"},
    {"000002", "000002", "Manutenção corretiva"},
    {"000003", "000001", "Compra"},
    {"000003", "000002", "Doação recebida"},
    {"000004", "000001", "Venda a terceiros"},
    {"000005", "000001", "Sucateamento"},
    {"000005", "000002", "Perda ou extravio"},
    {"000006", "000001", "Redistribuição de frota"},
    {"000006", "000002", "Fechamento de unidade"},
    {"000007", "000001", "Laudo de avaliação"},
};

// Transfer types of the history and how often each appears.
struct WeightedType {
    int type;  // index into kOperationTypes
    double weight;
};
const WeightedType kHistoryTypes[] = {{0, 0.70}, {1, 0.15}, {5, 0.15}};

struct GroupDef {
    const char* code;
    const char* name;
    const char* shortName;  // fits the 40 characters of an account name after a prefix
    int months;             // 0: not depreciated
    double weight;
    double minValue;
    double maxValue;
    std::vector<const char*> assetNames;
};
const std::vector<GroupDef>& Groups() {
    static const std::vector<GroupDef> groups = {
        {"000001", "Equipamentos de informática", "Informática", 60, 28, 1500, 45000,
         {"Notebook Dell Latitude 5420", "Desktop Lenovo ThinkCentre M70q", "Monitor LG 24 polegadas",
          "Impressora multifuncional HP LaserJet", "Servidor Dell PowerEdge R650", "Switch Cisco 48 portas",
          "Nobreak SMS 3 kVA", "Projetor Epson PowerLite", "Coletor de dados Zebra TC21"}},
        {"000002", "Móveis e utensílios", "Móveis e utensílios", 120, 28, 300, 6000,
         {"Mesa de escritório em L", "Cadeira giratória ergonômica", "Armário de aço 2 portas",
          "Arquivo de aço 4 gavetas", "Estação de trabalho 4 lugares", "Sofá de recepção 3 lugares",
          "Mesa de reunião 8 lugares", "Bebedouro industrial inox"}},
        {"000003", "Veículos", "Veículos", 60, 8, 60000, 650000,
         {"Caminhão Volvo FH 540", "Caminhão Mercedes-Benz Atego 2426", "Furgão Fiat Ducato",
          "Utilitário Fiat Strada", "Carreta baú 3 eixos", "Automóvel Toyota Corolla"}},
        {"000004", "Máquinas e equipamentos", "Máquinas e equipamentos", 120, 16, 8000, 350000,
         {"Empilhadeira elétrica 2,5 t", "Compressor de ar 20 pés", "Torno mecânico CNC",
          "Gerador a diesel 150 kVA", "Paleteira hidráulica 2 t", "Prensa hidráulica 100 t",
          "Ponte rolante 10 t", "Balança rodoviária 80 t"}},
        {"000005", "Edificações", "Edificações", 300, 2, 400000, 5000000,
         {"Galpão de armazenagem", "Prédio administrativo", "Guarita de portaria"}},
        {"000006", "Ferramentas", "Ferramentas", 60, 10, 150, 4000,
         {"Furadeira de impacto Bosch", "Jogo de chaves combinadas", "Parafusadeira a bateria Makita",
          "Macaco hidráulico 20 t", "Esmerilhadeira angular 7 pol."}},
        {"000007", "Instalações", "Instalações", 120, 6, 20000, 400000,
         {"Sistema de ar condicionado central", "Câmara fria modular", "Rede elétrica industrial",
          "Sistema de combate a incêndio"}},
        {"000008", "Terrenos", "Terrenos", 0, 2, 300000, 3000000,
         {"Terreno urbano 1.200 m²", "Terreno industrial 5.000 m²"}},
    };
    return groups;
}

const char* const kHistories[][2] = {
    {"0001", "Transferência física de bem entre filiais"},
    {"0002", "Depreciação mensal do ativo imobilizado"},
    {"0003", "Aquisição de bem do ativo imobilizado"},
    {"0004", "Baixa de bem do ativo imobilizado"},
    {"0005", "Reavaliação de bem do ativo imobilizado"},
};

// Account types of CTBLBEMATIVO, with the standard history each uses.
const char* const kAccountTypes[][3] = {
    {"000001", "Ativo imobilizado", "0003"},
    {"000002", "Depreciação acumulada", "0002"},
    {"000003", "Despesa de depreciação", "0002"},
    {"000004", "Reavaliação", "0005"},
    {"000005", "Ganho na alienação", "0004"},
};

struct ClientDef {
    const char* name;
    char kind;  // 'F' person, 'J' company
};
const ClientDef kClients[] = {
    {"Auto Center Rodovia", 'J'}, {"Refrigeração Polar", 'J'}, {"Maria Aparecida Lima", 'F'},
    {"TecnoReparos", 'J'},        {"João Batista Souza", 'F'}, {"Locadora Andaluz", 'J'},
    {"Antônio Carlos Reis", 'F'}, {"Sucatas Progresso", 'J'},  {"Helena Duarte", 'F'},
    {"Guindastes Sul", 'J'},      {"Pedro Henrique Moura", 'F'}, {"Oficina Dois Irmãos", 'J'},
};

struct InvoiceKind {
    const char* description;  // at most 15 characters
    const char* operation;
};
const InvoiceKind kBranchInvoices[] = {
    {"Transferência", "01"}, {"Transf. de bens", "01"}, {"Rem. conserto", "02"},
    {"Ret. conserto", "03"}, {"Remessa", "04"},
};

// Brazilian taxpayer numbers with valid check digits (CPF for persons, CNPJ for companies).
QString WithCheckDigits(QString digits, const std::vector<int>& weights1, const std::vector<int>& weights2) {
    for (const auto* weights : {&weights1, &weights2}) {
        int sum = 0;
        for (std::size_t i = 0; i < weights->size(); ++i) sum += digits[qsizetype(i)].digitValue() * (*weights)[i];
        const int rest = sum % 11;
        digits += QString::number(rest < 2 ? 0 : 11 - rest);
    }
    return digits;
}

QString TaxNumber(Rng& rng, char kind) {
    QString base;
    if (kind == 'F') {
        for (int i = 0; i < 9; ++i) base += QString::number(rng.below(10));
        return WithCheckDigits(base, {10, 9, 8, 7, 6, 5, 4, 3, 2}, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2});
    }
    for (int i = 0; i < 8; ++i) base += QString::number(rng.below(10));
    base += QStringLiteral("0001");
    return WithCheckDigits(base, {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2}, {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2});
}

// ---- In-memory model ---------------------------------------------------------------------

struct Location {
    int branch = -1;  // indices into the reference arrays
    int costCentre = -1;
    int sector = -1;
    int holder = -1;  // index into kOperators
};

struct Share {
    int costCentre;
    double percent;
};

struct Asset {
    int company = 0;
    int group = 0;
    QString patrimony;
    const char* name = nullptr;
    double value = 0;
    double initialDepreciation = 0;
    double quantity = 1;
    double remaining = 0;
    QString lastDepreciation;  // empty: never depreciated
    QString registeredAt;
    Location location;         // branch < 0: no location
    std::vector<Share> apportionment;
};

struct Transfer {
    int asset;
    QString when;
    Location from;
    Location to;
    int type;
    int motive;
    int responsible;
    bool last;
    QString number;  // NRSEQCAPAOPEBEM = NRSEQITCAPAOPE = NRSEQOPERABEM
};

class DemoBuilder {
public:
    DemoBuilder(QSqlDatabase& db, const DemoOptions& options) : db_(db), options_(options), rng_(options.seed) {
        indexReferenceData();
    }

    DemoSummary run() {
        report(QStringLiteral("Gerando os dados"));
        generateAssets();
        numberTransfers();
        countRows();
        report(QStringLiteral("Gravando os cadastros"));
        writeReferenceData();
        writeInvoices();
        report(QStringLiteral("Gravando os bens"));
        writeAssets();
        report(QStringLiteral("Gravando as transferências"));
        writeTransfers();
        report(QStringLiteral("Confirmando a gravação"));
        return summary_;
    }

private:
    // Progress: the rows of the asset and transfer tables, counted once generated.
    void countRows();
    void report(const QString& stage) {
        stage_ = stage;
        tell();
    }
    void tell() {
        if (options_.progress) options_.progress({stage_, written_, total_});
    }
    void track(BatchInsert& rows) {
        rows.onWritten = [this](int count) {
            written_ += count;
            tell();
        };
    }

    void indexReferenceData();
    Location randomLocation(int branch);
    std::vector<Share> randomApportionment(const Location& location);
    void generateAssets();
    void generateHistory(int asset, int count);
    void numberTransfers();
    void writeReferenceData();
    void writeInvoices();
    void writeAssets();
    void writeTransfers();

    QVariant branchCode(int i) const { return i < 0 ? QVariant() : QVariant(Utf8(kBranches[i].code)); }
    QVariant centreCode(int i) const { return i < 0 ? QVariant() : QVariant(Utf8(kCostCentres[i].code)); }
    QVariant sectorCode(int i) const { return i < 0 ? QVariant() : QVariant(Utf8(kSectors[i].code)); }
    QVariant operatorCode(int i) const { return i < 0 ? QVariant() : QVariant(Pad(kOperators[i].number, 12)); }
    QString companyCode(int i) const { return Utf8(kCompanies[i].code); }
    QString assetCode(int asset) const { return Pad(asset + 1, 10); }

    QSqlDatabase& db_;
    DemoOptions options_;
    Rng rng_;
    DemoSummary summary_;

    std::vector<std::vector<int>> companyBranches_;
    std::vector<std::vector<int>> branchCentres_;         // every centre usable in the branch
    std::vector<std::vector<int>> branchLocatedCentres_;  // ... that has sectors to place assets in
    std::vector<std::vector<int>> centreSectors_;
    std::vector<int> sectorResponsible_;
    std::vector<int> activeOperators_;
    std::vector<std::vector<int>> typeMotives_;
    std::vector<double> groupWeights_;
    std::vector<double> historyTypeWeights_;
    std::vector<QStringList> branchSeries_;  // invoice series of each branch

    std::vector<Asset> assets_;
    std::vector<Transfer> transfers_;
    std::vector<int> lastNumber_;  // per company

    QString stage_;
    qint64 written_ = 0;
    qint64 total_ = 0;
};

void DemoBuilder::countRows() {
    const auto& groups = Groups();
    total_ = 0;
    for (const Asset& a : assets_)
        total_ += 1 + (groups[std::size_t(a.group)].months > 0 ? 3 : 1) + qint64(a.apportionment.size());
    for (const Transfer& t : transfers_)
        total_ += 2 + (t.last ? qint64(assets_[std::size_t(t.asset)].apportionment.size()) : 1);
}

int IndexOfCode(const QString& code, auto const& table) {
    for (std::size_t i = 0; i < std::size(table); ++i)
        if (code == Utf8(table[i].code)) return int(i);
    return -1;
}

void DemoBuilder::indexReferenceData() {
    const int branchCount = int(std::size(kBranches));
    companyBranches_.resize(std::size(kCompanies));
    for (int b = 0; b < branchCount; ++b) companyBranches_[std::size_t(kBranches[b].company)].push_back(b);

    centreSectors_.resize(std::size(kCostCentres));
    for (std::size_t s = 0; s < std::size(kSectors); ++s) {
        centreSectors_[std::size_t(IndexOfCode(Utf8(kSectors[s].costCentre), kCostCentres))].push_back(int(s));
        int responsible = -1;
        for (std::size_t o = 0; o < std::size(kOperators); ++o)
            if (kOperators[o].number == kSectors[s].responsible) responsible = int(o);
        sectorResponsible_.push_back(responsible);
    }

    branchCentres_.resize(std::size_t(branchCount));
    branchLocatedCentres_.resize(std::size_t(branchCount));
    for (std::size_t c = 0; c < std::size(kCostCentres); ++c) {
        const QString list = Utf8(kCostCentres[c].branches);
        for (int b = 0; b < branchCount; ++b) {
            const bool linked = list == QStringLiteral("*") ||
                                list.split(QLatin1Char(' '), Qt::SkipEmptyParts).contains(Utf8(kBranches[b].code));
            if (!linked) continue;
            branchCentres_[std::size_t(b)].push_back(int(c));
            if (!centreSectors_[c].empty()) branchLocatedCentres_[std::size_t(b)].push_back(int(c));
        }
    }

    for (std::size_t o = 0; o < std::size(kOperators); ++o)
        if (kOperators[o].active) activeOperators_.push_back(int(o));

    typeMotives_.resize(std::size(kOperationTypes));
    for (std::size_t m = 0; m < std::size(kMotives); ++m)
        typeMotives_[std::size_t(IndexOfCode(Utf8(kMotives[m].type), kOperationTypes))].push_back(int(m));

    for (const GroupDef& group : Groups()) groupWeights_.push_back(group.weight);
    for (const WeightedType& t : kHistoryTypes) historyTypeWeights_.push_back(t.weight);

    // Every branch has series "1"; some also "U", and the lettered branches "A1".
    static const QRegularExpression letter(QStringLiteral("[A-Z]"));
    branchSeries_.resize(std::size_t(branchCount));
    for (int b = 0; b < branchCount; ++b) {
        QStringList& series = branchSeries_[std::size_t(b)];
        series << QStringLiteral("1");
        if (b % 2 == 0) series << QStringLiteral("U");
        if (Utf8(kBranches[b].code).contains(letter)) series << QStringLiteral("A1");
    }
}

Location DemoBuilder::randomLocation(int branch) {
    Location location;
    location.branch = branch;
    location.costCentre = rng_.pick(branchLocatedCentres_[std::size_t(branch)]);
    location.sector = rng_.pick(centreSectors_[std::size_t(location.costCentre)]);
    const int responsible = sectorResponsible_[std::size_t(location.sector)];
    const bool byResponsible = responsible >= 0 && kOperators[responsible].active && rng_.chance(0.6);
    location.holder = byResponsible ? responsible : rng_.pick(activeOperators_);
    return location;
}

std::vector<Share> DemoBuilder::randomApportionment(const Location& location) {
    const auto& centres = branchCentres_[std::size_t(location.branch)];
    if (centres.size() < 2 || !rng_.chance(0.15)) return {{location.costCentre, 100.0}};
    int other = location.costCentre;
    while (other == location.costCentre) other = rng_.pick(centres);
    const double main = rng_.between(50, 90);
    return {{location.costCentre, main}, {other, 100.0 - main}};
}

int WeightedIndex(Rng& rng, const std::vector<double>& weights) {
    double total = 0;
    for (double w : weights) total += w;
    double r = rng.unit() * total;
    for (std::size_t i = 0; i < weights.size(); ++i) {
        if (r < weights[i]) return int(i);
        r -= weights[i];
    }
    return int(weights.size()) - 1;
}

void DemoBuilder::generateAssets() {
    const auto& groups = Groups();
    std::vector<int> nextPatrimony(std::size(kCompanies), 100000);
    assets_.reserve(std::size_t(options_.assets));
    for (int i = 0; i < options_.assets; ++i) {
        const int number = i + 1;
        Asset asset;
        asset.company = rng_.below(int(std::size(kCompanies)));
        asset.group = WeightedIndex(rng_, groupWeights_);
        const GroupDef& group = groups[std::size_t(asset.group)];
        asset.patrimony = QString::number(++nextPatrimony[std::size_t(asset.company)]);
        asset.name = rng_.pick(group.assetNames);
        const double spread = rng_.unit();
        asset.value = Cents(group.minValue + (group.maxValue - group.minValue) * spread * rng_.unit());
        if ((asset.group == 1 || asset.group == 5) && rng_.chance(0.1)) asset.quantity = rng_.between(2, 20);
        if (group.months > 0 && rng_.chance(0.15)) asset.initialDepreciation = Cents(asset.value * 0.5 * rng_.unit());
        int elapsedMonths = 0;
        if (group.months > 0 && rng_.chance(0.45)) {
            const QDate month = QDate(2023, 1, 1).addMonths(rng_.below(35));
            asset.lastDepreciation = month.addMonths(1).addDays(-1).toString(Qt::ISODate);
            elapsedMonths = rng_.between(1, group.months);
        }
        if (rng_.chance(0.03)) asset.quantity = 0;  // written off, still on the books
        if (group.months > 0 && asset.quantity > 0) {
            const double depreciated = asset.value * elapsedMonths / group.months;
            asset.remaining = std::max(0.0, Cents(asset.value - asset.initialDepreciation - depreciated));
        }
        const QDate registered = QDate(2015, 1, 5).addDays(rng_.below(350));
        asset.registeredAt = Timestamp(rng_, registered, 8, 17);

        const bool located = number != kAssetWithoutLocation &&
                             (number == kAssetWithLongHistory || !rng_.chance(0.01));
        if (located) {
            const auto& branches = companyBranches_[std::size_t(asset.company)];
            asset.location = randomLocation(rng_.pick(branches));
            asset.apportionment = randomApportionment(asset.location);
        }
        assets_.push_back(std::move(asset));

        if (!located) continue;
        int history;
        if (number == kAssetWithLongHistory) {
            history = kLongHistoryLength;
        } else if (rng_.chance(0.004)) {
            history = rng_.between(20, 30);
        } else {
            history = WeightedIndex(rng_, {35, 25, 20, 12, 8});
        }
        generateHistory(i, history);
    }
}

// Builds the transfers backwards from the current location, so the last one always lands
// where the asset is now and each one starts where the previous one ended.
void DemoBuilder::generateHistory(int assetIndex, int count) {
    if (count == 0) return;
    const Asset& asset = assets_[std::size_t(assetIndex)];
    const auto& branches = companyBranches_[std::size_t(asset.company)];
    std::vector<Location> chain(std::size_t(count) + 1);
    chain.back() = asset.location;
    for (int i = count - 1; i >= 0; --i) {
        int branch = chain[std::size_t(i) + 1].branch;
        while (branch == chain[std::size_t(i) + 1].branch) branch = rng_.pick(branches);
        chain[std::size_t(i)] = randomLocation(branch);
    }

    // Distinct days, so the dates increase strictly along the asset's history.
    const QDate first(2016, 1, 4);
    const int span = int(first.daysTo(QDate(2025, 12, 30))) + 1;
    std::vector<int> days;
    while (int(days.size()) < count) {
        const int day = rng_.below(span);
        if (std::find(days.begin(), days.end(), day) == days.end()) days.push_back(day);
    }
    std::sort(days.begin(), days.end());

    for (int i = 0; i < count; ++i) {
        Transfer t;
        t.asset = assetIndex;
        t.when = Timestamp(rng_, first.addDays(days[std::size_t(i)]), 7, 18);
        t.from = chain[std::size_t(i)];
        t.to = chain[std::size_t(i) + 1];
        t.type = kHistoryTypes[WeightedIndex(rng_, historyTypeWeights_)].type;
        t.motive = rng_.pick(typeMotives_[std::size_t(t.type)]);
        t.responsible = rng_.pick(activeOperators_);
        t.last = i == count - 1;
        transfers_.push_back(std::move(t));
    }
}

// Numbers follow the date order within each company, like transfers applied one by one.
void DemoBuilder::numberTransfers() {
    std::stable_sort(transfers_.begin(), transfers_.end(), [this](const Transfer& a, const Transfer& b) {
        const int ca = assets_[std::size_t(a.asset)].company;
        const int cb = assets_[std::size_t(b.asset)].company;
        if (ca != cb) return ca < cb;
        if (a.when != b.when) return a.when < b.when;
        return a.asset < b.asset;
    });
    lastNumber_.assign(std::size(kCompanies), 0);
    for (Transfer& t : transfers_) {
        const int company = assets_[std::size_t(t.asset)].company;
        t.number = Pad(++lastNumber_[std::size_t(company)], 10);
    }
}

void DemoBuilder::writeReferenceData() {
    BatchInsert companies(db_, QStringLiteral("EMPRESA"), {"CDEMPRESA", "NMEMPRESA"});
    for (const CompanyDef& c : kCompanies) companies.add({Utf8(c.code), Utf8(c.name)});
    companies.finish();
    summary_.companies = int(companies.rows());

    BatchInsert branches(db_, QStringLiteral("FILIAL"), {"CDFILIAL", "CDEMPRESA", "NMFILIAL"});
    for (const BranchDef& b : kBranches) branches.add({Utf8(b.code), companyCode(b.company), Utf8(b.name)});
    branches.finish();
    summary_.branches = int(branches.rows());

    BatchInsert centres(db_, QStringLiteral("CENTCUST"), {"CDCENTCUST", "NMCENTCUST"});
    for (const CostCentreDef& c : kCostCentres) centres.add({Utf8(c.code), Utf8(c.name)});
    centres.finish();
    summary_.costCentres = int(centres.rows());

    BatchInsert links(db_, QStringLiteral("CENTCUSTFIL"), {"CDCENTCUST", "CDFILIAL"});
    for (std::size_t b = 0; b < std::size(kBranches); ++b)
        for (int c : branchCentres_[b]) links.add({centreCode(c), branchCode(int(b))});
    links.finish();
    summary_.costCentreBranches = int(links.rows());

    BatchInsert operators(db_, QStringLiteral("OPERADOR"), {"CDOPERADOR", "NMOPERADOR", "IDOPERATIVO"});
    for (std::size_t o = 0; o < std::size(kOperators); ++o)
        operators.add({operatorCode(int(o)), Utf8(kOperators[o].name),
                       kOperators[o].active ? QStringLiteral("A") : QStringLiteral("I")});
    operators.finish();
    summary_.operators = int(operators.rows());

    // Every demo operator, the inactive ones too, has the password the README gives; with one
    // password for all, one hash serves them all (a hash costs a tenth of a second).
    const QString hash = QString::fromStdString(HashPassword(kDemoPassword));
    const QString changed = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    BatchInsert passwords(db_, QStringLiteral("SENHAOPERADOR"), {"CDOPERADOR", "DSHASHSENHA", "DTALTSENHA"});
    for (std::size_t o = 0; o < std::size(kOperators); ++o) passwords.add({operatorCode(int(o)), hash, changed});
    passwords.finish();

    BatchInsert sectors(db_, QStringLiteral("SETOR"), {"CDSETOR", "CDCENTCUST", "NMSETOR", "SGSETOR", "CDOPERESPBEM"});
    for (std::size_t s = 0; s < std::size(kSectors); ++s)
        sectors.add({Utf8(kSectors[s].code), Utf8(kSectors[s].costCentre), Utf8(kSectors[s].name),
                     Utf8(kSectors[s].acronym), operatorCode(sectorResponsible_[s])});
    sectors.finish();
    summary_.sectors = int(sectors.rows());

    BatchInsert types(db_, QStringLiteral("TIPOOPERBEM"), {"CDEMPRESA", "CDTIPOOPERBEM", "NMTIPOOPERBEM", "IDTIPOOPERBEM"});
    BatchInsert motives(db_, QStringLiteral("MOTIVOOPER"), {"CDEMPRESA", "CDTIPOOPERBEM", "CDMOTIVOOPER", "NMMOTIVOOPER"});
    BatchInsert groups(db_, QStringLiteral("GRUPOBEM"),
                       {"CDEMPRESA", "CDGRUPOBEM", "NMGRUPOBEM", "QTMESDEPREGRBEM", "IDDEPRECIAGRBEM",
                        "IDDEPRECIAFISC", "QTMESDEPREFISC"});
    BatchInsert accountTypes(db_, QStringLiteral("TIPOCONTABEM"), {"CDEMPRESA", "CDTIPOCONTABEM", "NMTIPOCONTABEM"});
    for (std::size_t c = 0; c < std::size(kCompanies); ++c) {
        const QString company = companyCode(int(c));
        for (const OperationTypeDef& t : kOperationTypes) types.add({company, Utf8(t.code), Utf8(t.name), Utf8(t.kind)});
        for (const MotiveDef& m : kMotives) motives.add({company, Utf8(m.type), Utf8(m.code), Utf8(m.name)});
        for (const GroupDef& g : Groups()) {
            const QString depreciates = g.months > 0 ? QStringLiteral("S") : QStringLiteral("N");
            groups.add({company, Utf8(g.code), Utf8(g.name), double(g.months), depreciates, depreciates, double(g.months)});
        }
        for (const auto& t : kAccountTypes) accountTypes.add({company, Utf8(t[0]), Utf8(t[1])});
    }
    types.finish();
    motives.finish();
    groups.finish();
    accountTypes.finish();
    summary_.operationTypes = int(types.rows());
    summary_.motives = int(motives.rows());
    summary_.assetGroups = int(groups.rows());
    summary_.accountTypes = int(accountTypes.rows());

    BatchInsert histories(db_, QStringLiteral("HISTPADR"), {"CDHISTPADR", "DSHISTPADR"});
    for (const auto& h : kHistories) histories.add({Utf8(h[0]), Utf8(h[1])});
    histories.finish();
    summary_.standardHistories = int(histories.rows());

    // Group accounts serve every company; a few accounts belong to one company only.
    BatchInsert accounts(db_, QStringLiteral("CONTCTBL"), {"CDCONTCTBL", "CDCONTREDU", "NMCONTCTBL", "CDEMPRESA"});
    const auto& groupList = Groups();
    for (std::size_t g = 0; g < groupList.size(); ++g) {
        const QString name = Utf8(groupList[g].shortName);
        const int n = int(g) + 1;
        accounts.add({QStringLiteral("1232") + Pad(n, 4), QStringLiteral("1") + Pad(n, 3), name, QVariant()});
        accounts.add({QStringLiteral("1234") + Pad(n, 4), QStringLiteral("5") + Pad(n, 3),
                      QStringLiteral("Reavaliação ") + name, QVariant()});
        if (groupList[g].months == 0) continue;
        accounts.add({QStringLiteral("1233") + Pad(n, 4), QStringLiteral("2") + Pad(n, 3),
                      QStringLiteral("(-) Depr. acum. ") + name, QVariant()});
        accounts.add({QStringLiteral("4211") + Pad(n, 4), QStringLiteral("3") + Pad(n, 3),
                      QStringLiteral("Desp. deprec. ") + name, QVariant()});
    }
    for (std::size_t c = 0; c < std::size(kCompanies); ++c)
        accounts.add({QStringLiteral("311100") + companyCode(int(c)), QStringLiteral("40") + companyCode(int(c)),
                      QStringLiteral("Ganho na alienação de bens"), companyCode(int(c))});
    accounts.finish();
    summary_.accounts = int(accounts.rows());

    // The accounts are kept as digits; the layout shows them as the chart of accounts reads.
    BatchInsert layouts(db_, QStringLiteral("MASCARA"), {"CDTIPOMASCARA", "NMMASCARA", "DSMASCARA"});
    layouts.add({2, QStringLiteral("Conta contábil"), QStringLiteral("9.9.9.9.9999;0;_")});
    layouts.finish();

    // Fixed numbers, independent of the seed: the clients are reference data too.
    Rng fixed(0xC11E47E5ull);
    BatchInsert clients(db_, QStringLiteral("CLIENTE"), {"CDCLIENTE", "NMFANTCLIE", "NRINSJURCLIE", "IDTPIJURCLIE"});
    for (std::size_t i = 0; i < std::size(kClients); ++i)
        clients.add({Pad(qint64(i) + 1, 6), Utf8(kClients[i].name), TaxNumber(fixed, kClients[i].kind),
                     QString(QLatin1Char(kClients[i].kind))});
    clients.finish();
    summary_.clients = int(clients.rows());

    BatchInsert series(db_, QStringLiteral("SERIENF"), {"CDFILIAL", "CDSERIE", "DSSERIE"});
    for (std::size_t b = 0; b < std::size(kBranches); ++b) {
        for (const QString& serie : branchSeries_[b]) {
            const QString name = serie == QStringLiteral("U") ? QStringLiteral("Série única") : QStringLiteral("Série ") + serie;
            series.add({branchCode(int(b)), serie, name});
        }
    }
    series.finish();
    summary_.invoiceSeries = int(series.rows());
}

void DemoBuilder::writeInvoices() {
    BatchInsert invoices(db_, QStringLiteral("NOTAFISCAL"),
                         {"NRLANCTONF", "NRNOTAFISC", "DESCRICAO", "DTENTRSAID", "CDFILIRECE", "CDFILIEMIT",
                          "CDTIPOOPER", "CDSERIE", "IDENTRSAIDOP", "CDFILIAL", "CDCLIENTE"});
    qint64 entry = 0;
    std::vector<int> noteNumber(std::size(kBranches));
    for (std::size_t b = 0; b < std::size(kBranches); ++b) noteNumber[b] = 1000 + rng_.below(4000);
    const auto when = [this] {
        const QDate day = QDate(2025, 1, 2).addDays(rng_.below(360));
        return Timestamp(rng_, day, 7, 18);
    };

    // Transfers between branches of the same company: the issuer's exit and the receiver's entry.
    for (const auto& branches : companyBranches_) {
        for (int issuer : branches) {
            for (int receiver : branches) {
                if (issuer == receiver) continue;
                const int count = rng_.between(1, 2);
                for (int n = 0; n < count; ++n) {
                    const InvoiceKind& kind = kBranchInvoices[rng_.below(int(std::size(kBranchInvoices)))];
                    const QString number = QString::number(++noteNumber[std::size_t(issuer)]);
                    const QStringList& issuerSeries = branchSeries_[std::size_t(issuer)];
                    const QString serie = issuerSeries[rng_.below(int(issuerSeries.size()))];
                    const QString date = when();
                    for (const bool exit : {true, false}) {
                        invoices.add({Pad(++entry, 10), number, Utf8(kind.description), date, branchCode(receiver),
                                      branchCode(issuer), Utf8(kind.operation), serie,
                                      exit ? QStringLiteral("S") : QStringLiteral("E"),
                                      branchCode(exit ? issuer : receiver), QVariant()});
                    }
                }
            }
        }
    }
    // Goods sent to third parties (repairs), addressed to a client instead of a branch.
    for (std::size_t b = 0; b < std::size(kBranches); ++b) {
        const int count = rng_.below(3);
        for (int n = 0; n < count; ++n) {
            const QString client = Pad(rng_.below(int(std::size(kClients))) + 1, 6);
            invoices.add({Pad(++entry, 10), QString::number(++noteNumber[b]), QStringLiteral("Rem. conserto"), when(),
                          QVariant(), branchCode(int(b)), QStringLiteral("02"), branchSeries_[b].front(),
                          QStringLiteral("S"), branchCode(int(b)), client});
        }
    }
    invoices.finish();
    summary_.invoices = int(invoices.rows());
}

void DemoBuilder::writeAssets() {
    const auto& groups = Groups();
    BatchInsert rows(db_, QStringLiteral("BEMATIVO"),
                     {"CDBEMATIVO", "CDEMPRESA", "CDPATRIBEMATIVO", "NMBEMATIVO", "CDGRUPOBEM", "VRAQUIBEMATIVO",
                      "QTMESDEPBEM", "VRINIDEPBEM", "QTATUABEMATIVO", "VRTAXANODEPBEM", "VRFALTADEPBEM",
                      "CDTIPODEPREC", "CDFILIAL", "CDCENTCUST", "CDSETOR", "CDOPERESPBEM", "DTULTDEPBEM"});
    track(rows);
    for (std::size_t i = 0; i < assets_.size(); ++i) {
        const Asset& a = assets_[i];
        const GroupDef& g = groups[std::size_t(a.group)];
        const bool depreciates = g.months > 0;
        rows.add({assetCode(int(i)), companyCode(a.company), a.patrimony, Utf8(a.name), Utf8(g.code), a.value,
                  double(g.months), a.initialDepreciation, a.quantity, depreciates ? Cents(1200.0 / g.months) : 0.0,
                  a.remaining, depreciates ? QVariant(QStringLiteral("01")) : QVariant(),
                  branchCode(a.location.branch), centreCode(a.location.costCentre), sectorCode(a.location.sector),
                  operatorCode(a.location.holder),
                  a.lastDepreciation.isEmpty() ? QVariant() : QVariant(a.lastDepreciation)});
        if (a.location.branch < 0) ++summary_.assetsWithoutLocation;
    }
    rows.finish();
    summary_.assets = int(rows.rows());

    BatchInsert accounting(db_, QStringLiteral("CTBLBEMATIVO"),
                           {"CDEMPRESA", "CDBEMATIVO", "CDTIPOCONTABEM", "CDCONTCTBLBEM", "CDHISTPADR",
                            "CDOPEATUCTBLBEM", "DTULTATU", "CDOPEINCCTBLBEM", "DTINCLUCTBLBEM"});
    track(accounting);
    const QString accountPrefixes[] = {QStringLiteral("1232"), QStringLiteral("1233"), QStringLiteral("4211")};
    for (std::size_t i = 0; i < assets_.size(); ++i) {
        const Asset& a = assets_[i];
        const int typeCount = groups[std::size_t(a.group)].months > 0 ? 3 : 1;
        for (int t = 0; t < typeCount; ++t)
            accounting.add({companyCode(a.company), assetCode(int(i)), Utf8(kAccountTypes[t][0]),
                            accountPrefixes[t] + Pad(a.group + 1, 4), Utf8(kAccountTypes[t][2]), kDemoOperator,
                            a.registeredAt, kDemoOperator, a.registeredAt});
    }
    accounting.finish();
    summary_.assetAccounts = int(accounting.rows());

    BatchInsert apportionment(db_, QStringLiteral("RATEIOBEM"),
                              {"CDEMPRESA", "CDBEMATIVO", "CDFILICCUST", "CDCENTCUSBEM", "VRRATEBEM"});
    track(apportionment);
    for (std::size_t i = 0; i < assets_.size(); ++i) {
        const Asset& a = assets_[i];
        for (const Share& s : a.apportionment)
            apportionment.add({companyCode(a.company), assetCode(int(i)),
                               Utf8(kBranches[a.location.branch].code) + Utf8(kCostCentres[s.costCentre].code),
                               centreCode(s.costCentre), s.percent});
    }
    apportionment.finish();
    summary_.assetApportionments = int(apportionment.rows());
}

void DemoBuilder::writeTransfers() {
    const QString status = QStringLiteral("2");          // effective
    const QString identification = QStringLiteral("03");  // physical transfer
    BatchInsert headers(db_, QStringLiteral("CAPAOPERABEM"),
                        {"CDEMPRESA", "NRSEQCAPAOPEBEM", "IDSITCAPAOPER", "DTCAPAOPEBEM", "CDTIPOOPERBEM",
                         "IDIDENTCAPAOPER", "CDMOTIVOOPER", "CDOPERESPOPERA", "DTINCCAPAOPER", "CDOPEINCCAPA",
                         "DTATUCAPAOPER", "CDOPEATUCAPA", "CDCLIENTE"});
    track(headers);
    for (const Transfer& t : transfers_) {
        const QVariant responsible = operatorCode(t.responsible);
        headers.add({companyCode(assets_[std::size_t(t.asset)].company), t.number, status, t.when.left(10),
                     Utf8(kOperationTypes[t.type].code), identification, Utf8(kMotives[t.motive].code), responsible,
                     t.when, responsible, t.when, responsible, QVariant()});
    }
    headers.finish();
    summary_.transfers = int(headers.rows());

    const auto& groups = Groups();
    BatchInsert items(db_, QStringLiteral("ITCAPAOPERABEM"),
                      {"CDEMPRESA", "NRSEQCAPAOPEBEM", "NRSEQITCAPAOPE", "IDSIMULOPERABEM", "NRSEQOPERABEM",
                       "CDBEMATIVO", "QTITCAPAOPEANTE", "QTITCAPAOPENOVO", "CDFILIALITCANTE", "CDCENTCUITCANTE",
                       "CDSETORITCANTE", "CDOPERESPBEMANT", "CDFILIALITCNOVO", "CDCENTCUITCNOVO", "CDSETORITCNOVO",
                       "CDOPERESPBEMNOV", "VRITCAPAOPERA", "QTMESDEPITCANTE", "QTMESDEPITCNOVO", "VRTAXDEPITCANTE",
                       "VRTAXDEPITCNOVO", "DTINCITCAPAOPER", "DTATUITCAPAOPER", "CDOPEATUITCAPA", "CDOPEINCITCAPA",
                       "CDSERIENFITCAPA", "NRNOTAFIITCAPA"});
    track(items);
    for (const Transfer& t : transfers_) {
        const Asset& a = assets_[std::size_t(t.asset)];
        const double months = groups[std::size_t(a.group)].months;
        const double rate = months > 0 ? Cents(1200.0 / months) : 0.0;
        // An asset written off later still had its unit when it was moved.
        const double quantity = a.quantity > 0 ? a.quantity : 1.0;
        const QVariant responsible = operatorCode(t.responsible);
        items.add({companyCode(a.company), t.number, t.number, kReal, t.number, assetCode(t.asset), quantity, quantity,
                   branchCode(t.from.branch), centreCode(t.from.costCentre), sectorCode(t.from.sector),
                   operatorCode(t.from.holder), branchCode(t.to.branch), centreCode(t.to.costCentre),
                   sectorCode(t.to.sector), operatorCode(t.to.holder), a.value, months, months, rate, rate, t.when,
                   t.when, responsible, responsible, QVariant(), QVariant()});
    }
    items.finish();

    // The item keeps the apportionment it set; the last one is the asset's current one.
    BatchInsert shares(db_, QStringLiteral("RATEIOITCAPA"),
                       {"CDEMPRESA", "IDSIMULOPERABEM", "NRSEQCAPAOPEBEM", "NRSEQITCAPAOPE", "CDBEMATIVO",
                        "CDFILICCUST", "CDCENTCUSBEM", "VRRATEBEM"});
    track(shares);
    for (const Transfer& t : transfers_) {
        const Asset& a = assets_[std::size_t(t.asset)];
        const std::vector<Share> single = {{t.to.costCentre, 100.0}};
        for (const Share& s : t.last ? a.apportionment : single)
            shares.add({companyCode(a.company), kReal, t.number, t.number, assetCode(t.asset),
                        Utf8(kBranches[t.to.branch].code) + Utf8(kCostCentres[s.costCentre].code),
                        centreCode(s.costCentre), s.percent});
    }
    shares.finish();
    summary_.transferApportionments = int(shares.rows());

    BatchInsert sequences(db_, QStringLiteral("SEQUENCIA"), {"CDEMPRESA", "IDSIMULOPERABEM", "NMSEQUENCIA", "NRULTIMO"});
    for (std::size_t c = 0; c < std::size(kCompanies); ++c)
        for (const char* name : {"CAPAOPERABEM", "ITCAPAOPERABEM", "OPERABEM"})
            sequences.add({companyCode(int(c)), kReal, QString::fromLatin1(name), lastNumber_[c]});
    sequences.finish();
    summary_.sequences = int(sequences.rows());
}

}  // namespace

QString DemoSummary::toString() const {
    return QStringLiteral("Demonstração gerada: %1 empresas, %2 filiais, %3 centros de custo, %4 setores, "
                          "%5 operadores, %6 bens (%7 sem localização), %8 transferências, %9 notas fiscais.")
        .arg(companies)
        .arg(branches)
        .arg(costCentres)
        .arg(sectors)
        .arg(operators)
        .arg(assets)
        .arg(assetsWithoutLocation)
        .arg(transfers)
        .arg(invoices);
}

DemoSummary GenerateDemo(QSqlDatabase& db, const DemoOptions& options) {
    if (options.assets < 0 || options.assets > kMaxAssets)
        Fail(QStringLiteral("Quantidade de bens inválida: %1 (use de 0 a %2).").arg(options.assets).arg(kMaxAssets));
    Migrate(db);
    detail::WriteTransaction transaction(db);
    if (detail::Scalar(db, QStringLiteral("SELECT COUNT(*) FROM EMPRESA")).toInt() > 0)
        Fail(QStringLiteral("O banco de dados já possui empresas cadastradas; a demonstração só pode ser gerada "
                            "em um banco vazio."));
    DemoBuilder builder(db, options);
    const DemoSummary summary = builder.run();
    transaction.commit();
    return summary;
}

}  // namespace erpdb
