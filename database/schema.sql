-- Portiva3 database. Every text column folds case as the program's comparisons expect; every
-- table has an integer key so that compaction never renumbers rows under open views; Booleans
-- are stored -1 (True) and 0.

CREATE TABLE KEYTable (
  rid INTEGER PRIMARY KEY,
  KeyNummer TEXT COLLATE NOCASE NOT NULL UNIQUE,
  KeyNavn TEXT COLLATE NOCASE,
  KeySikkerhet TEXT COLLATE NOCASE,
  Bygning TEXT COLLATE NOCASE,
  Admin TEXT COLLATE NOCASE,
  Admin1 TEXT COLLATE NOCASE,
  Admin2 TEXT COLLATE NOCASE,
  Admin3 TEXT COLLATE NOCASE,
  Admin4 TEXT COLLATE NOCASE,
  Admin5 TEXT COLLATE NOCASE,
  Eget_Nummer TEXT COLLATE NOCASE,
  Beskrivelse TEXT COLLATE NOCASE,
  Alarmstatus TEXT COLLATE NOCASE,
  KeyStatus TEXT COLLATE NOCASE,
  Pulslengde TEXT COLLATE NOCASE,
  TimeInStart TEXT COLLATE NOCASE,
  TimeInStop TEXT COLLATE NOCASE,
  TimeOutStart TEXT COLLATE NOCASE,
  TimeOutStop TEXT COLLATE NOCASE,
  Tekst1 TEXT COLLATE NOCASE,
  Tekst2 TEXT COLLATE NOCASE,
  Tekst3 TEXT COLLATE NOCASE,
  Tekst4 TEXT COLLATE NOCASE,
  Tekst5 TEXT COLLATE NOCASE,
  Tekst6 TEXT COLLATE NOCASE
);

CREATE TABLE Katalog (
  rid INTEGER PRIMARY KEY,
  Bruker TEXT COLLATE NOCASE NOT NULL UNIQUE,
  Etternavn TEXT COLLATE NOCASE,
  Fornavn TEXT COLLATE NOCASE,
  BrukerKort TEXT COLLATE NOCASE,
  Gate TEXT COLLATE NOCASE,
  Postnummer TEXT COLLATE NOCASE,
  Poststed TEXT COLLATE NOCASE,
  Tillatelser TEXT COLLATE NOCASE
);

CREATE TABLE TBLbrukere (
  rid INTEGER PRIMARY KEY,
  KeyBruker TEXT COLLATE NOCASE,
  KeyNummer TEXT COLLATE NOCASE,
  [Gyldig fra] TEXT COLLATE NOCASE,
  FraTid TEXT COLLATE NOCASE,
  [Gyldig til] TEXT COLLATE NOCASE,
  TilTid TEXT COLLATE NOCASE,
  Konto TEXT COLLATE NOCASE,
  Saldo TEXT COLLATE NOCASE,
  Status TEXT COLLATE NOCASE
);

CREATE TABLE NYEbrukere (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  Bruker TEXT COLLATE NOCASE,
  Etternavn TEXT COLLATE NOCASE,
  Fornavn TEXT COLLATE NOCASE,
  [Gyldig fra] TEXT COLLATE NOCASE,
  FraTid TEXT COLLATE NOCASE,
  [Gyldig til] TEXT COLLATE NOCASE,
  TilTid TEXT COLLATE NOCASE,
  Konto TEXT COLLATE NOCASE,
  Saldo TEXT COLLATE NOCASE,
  Status TEXT COLLATE NOCASE,
  KeyNummer TEXT COLLATE NOCASE
);

CREATE TABLE SMS_Sent (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  TilNummer TEXT COLLATE NOCASE,
  TilNummerKort TEXT COLLATE NOCASE,
  Etternavn TEXT COLLATE NOCASE,
  Fornavn TEXT COLLATE NOCASE,
  Dato DATE,                -- "yyyy-MM-dd": text order is date order
  DatoLNG INTEGER,          -- day number, whole days since 1899-12-30
  SMS_Text TEXT COLLATE NOCASE,
  CMGS TEXT COLLATE NOCASE,
  TimeSent TEXT COLLATE NOCASE,
  TimeReceived TEXT COLLATE NOCASE,
  ReceivedStatus TEXT COLLATE NOCASE
);

CREATE TABLE SMS_Received (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  FraNummer TEXT COLLATE NOCASE,
  FraNummerKort TEXT COLLATE NOCASE,
  Etternavn TEXT COLLATE NOCASE,
  Fornavn TEXT COLLATE NOCASE,
  Dato TEXT COLLATE NOCASE, -- the modem's stamp "yy/MM/dd,hh:mm:ss"
  SMS_Text TEXT COLLATE NOCASE
);

CREATE TABLE LOGGData (
  rid INTEGER PRIMARY KEY,
  KeyNummer TEXT COLLATE NOCASE,
  KeyUser TEXT COLLATE NOCASE,
  Fornavn TEXT COLLATE NOCASE,
  Etternavn TEXT COLLATE NOCASE,
  Dato TEXT COLLATE NOCASE  -- "dd/MM,hh:mm", no year
);

CREATE TABLE Passwords (
  rid INTEGER PRIMARY KEY,
  USER_ID TEXT COLLATE NOCASE,
  Password TEXT COLLATE NOCASE, -- compared exactly by the login
  SecurityLevel TEXT COLLATE NOCASE
);

CREATE TABLE Modem (
  rid INTEGER PRIMARY KEY,
  IMEICODE TEXT COLLATE NOCASE,
  ModemManufacturer TEXT COLLATE NOCASE,
  ModemName TEXT COLLATE NOCASE,
  ModemStatus BOOLEAN NOT NULL DEFAULT 0,
  ModemOwner TEXT COLLATE NOCASE,
  ModemRenewed INTEGER -- the holder's last renewal of its hold, ms of UTC; an older file gets it when opened
);

-- Texts are addressed by row position, so readers order by rid; ID is an ordinary column.
CREATE TABLE TBLLanguage (
  rid INTEGER PRIMARY KEY,
  ID INTEGER,
  Norsk TEXT COLLATE NOCASE,
  Dansk TEXT COLLATE NOCASE,
  Svensk TEXT COLLATE NOCASE
);

CREATE VIEW Brukere AS
  SELECT t.KeyBruker AS Bruker, k.Etternavn AS Etternavn, k.Fornavn AS Fornavn,
         t.[Gyldig fra] AS [Gyldig fra], t.FraTid AS FraTid, t.[Gyldig til] AS [Gyldig til],
         t.TilTid AS TilTid, t.Konto AS Konto, t.Status AS Status, t.Saldo AS Saldo,
         t.KeyNummer AS KeyNummer
  FROM TBLbrukere AS t LEFT JOIN Katalog AS k ON k.Bruker = t.KeyBruker
  ORDER BY t.rid;

CREATE VIEW brukertillatelser AS
  SELECT k.Bruker AS Bruker, COUNT(t.KeyNummer) AS antallavkeynummer
  FROM Katalog AS k LEFT JOIN TBLbrukere AS t ON t.KeyBruker = k.Bruker
  GROUP BY k.Bruker;
