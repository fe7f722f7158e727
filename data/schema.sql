-- The local database Tarrow.mdb: every table the program uses and its two
-- stored queries. The build turns this script into the empty template
-- database placed next to the executable; the program itself creates no
-- table, it only adds columns to older files (see modJockey::UpgradeSchema).
--
-- Conventions:
--   * text columns compare without regard to letter case (COLLATE NOCASE);
--     TEXT(n) states the most characters a value keeps (longer texts are cut
--     when written), LONGTEXT is unlimited
--   * Yes/No columns: INTEGER NOT NULL DEFAULT 0, true stored as 1
--   * dates: ISO text "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" with a time,
--     "HH:MM:SS" for a time of day
--   * money: CURRENCY, a number rounded to four decimals
--   * column order matters: some readers take columns by position
--     (Meeting: 1 location, 2 details, 6 stage; Race: 3 RaceDetails)

PRAGMA journal_mode = DELETE;

CREATE TABLE Meeting (
    MeetingCode      TEXT(50)  COLLATE NOCASE,
    MeetingLocation  TEXT(50)  COLLATE NOCASE,
    MeetingDetails   TEXT(255) COLLATE NOCASE,
    MeetingDate      DATETIME,
    DisplayMeeting   INTEGER NOT NULL DEFAULT 0,
    State            TEXT(3)   COLLATE NOCASE,
    MeetingLevel     TEXT(3)   COLLATE NOCASE,
    MeetType         TEXT(1)   COLLATE NOCASE,
    MeetingRSBCode   TEXT(50)  COLLATE NOCASE,
    Barrier          TEXT(50)  COLLATE NOCASE DEFAULT ''
);
CREATE INDEX MeetingByCode ON Meeting (MeetingCode);

CREATE TABLE Race (
    MeetingCode      TEXT(50)  COLLATE NOCASE,
    RaceNumber       INTEGER,
    RaceCode         TEXT(20)  COLLATE NOCASE,
    RaceDetails      LONGTEXT  COLLATE NOCASE,
    RaceDistance     TEXT(50)  COLLATE NOCASE,
    RaceTime         DATETIME,
    ApprClaim        INTEGER NOT NULL DEFAULT 0,
    RaceType         TEXT(20)  COLLATE NOCASE,
    RaceRSBCode      TEXT(50)  COLLATE NOCASE
);
CREATE INDEX RaceByMeeting ON Race (MeetingCode, RaceNumber);

CREATE TABLE Noms (
    MeetingCode      TEXT(50)  COLLATE NOCASE,
    RaceNumber       INTEGER,
    RaceCode         TEXT(20)  COLLATE NOCASE,
    TrainerName      TEXT(30)  COLLATE NOCASE,
    Phone            TEXT(15)  COLLATE NOCASE,
    TrainerLocation  TEXT(50)  COLLATE NOCASE,
    Horse            TEXT(50)  COLLATE NOCASE,
    HorseName        TEXT(50)  COLLATE NOCASE,
    Class            TEXT(50)  COLLATE NOCASE,
    Weight           SMALLINT,
    Form             TEXT(50)  COLLATE NOCASE,
    Rating           TEXT(50)  COLLATE NOCASE,
    Jockey           TEXT(30)  COLLATE NOCASE,
    HorseType        TEXT(50)  COLLATE NOCASE,
    Blood1           TEXT(255) COLLATE NOCASE,
    Blood2           TEXT(255) COLLATE NOCASE,
    Blood3           TEXT(255) COLLATE NOCASE,
    Owners           LONGTEXT  COLLATE NOCASE,
    HorseDOB         TEXT(50)  COLLATE NOCASE,
    Ballot           TEXT(10)  COLLATE NOCASE,
    Barrier          INTEGER,
    EntryNo          SMALLINT,
    EorB             TEXT(10)  COLLATE NOCASE,
    LastJockey       TEXT(50)  COLLATE NOCASE,
    LastRode         DATETIME,
    LastRaceClass    TEXT(6)   COLLATE NOCASE,
    LastWeight       REAL,
    LastRaceValue    REAL,
    LastMargin       REAL,
    WgtRat           REAL,
    AvgWin           REAL,
    FormTrainer      TEXT(50)  COLLATE NOCASE,
    W800400          TEXT(5)   COLLATE NOCASE,
    RSecTime         REAL
);
CREATE INDEX NomsByMeeting ON Noms (MeetingCode, RaceNumber);
CREATE INDEX NomsByTrainer ON Noms (TrainerName);
CREATE INDEX NomsByHorseName ON Noms (HorseName);

CREATE TABLE Bookings (
    Jockey           TEXT(50)  COLLATE NOCASE,
    MeetingCode      TEXT(50)  COLLATE NOCASE,
    RaceCode         TEXT(20)  COLLATE NOCASE,
    Horse            TEXT(50)  COLLATE NOCASE,
    TrainerName      TEXT(30)  COLLATE NOCASE,
    BookingSelection TEXT(255) COLLATE NOCASE,
    Confirmed        INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX BookingsByMeetingHorse ON Bookings (MeetingCode, Horse);
CREATE INDEX BookingsByJockey ON Bookings (Jockey);

CREATE TABLE Trainer (
    TrainerName      TEXT(50)  COLLATE NOCASE PRIMARY KEY,
    TrainerLocation  TEXT(50)  COLLATE NOCASE,
    Phone            TEXT(50)  COLLATE NOCASE,
    TrainerMobile    TEXT(50)  COLLATE NOCASE,
    TrainerType      TEXT(50)  COLLATE NOCASE,
    TrainerComments  LONGTEXT  COLLATE NOCASE,
    IgnoreTrainer    INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE Jockey (
    Jockey           TEXT(50)  COLLATE NOCASE PRIMARY KEY,
    JockeyEmail      TEXT(255) COLLATE NOCASE,
    JockeyMobile     TEXT(50)  COLLATE NOCASE,
    JockeyColor      TEXT(50)  COLLATE NOCASE,
    FullName         TEXT(100) COLLATE NOCASE,
    RideWgt          REAL,
    ManagerRate      REAL,
    ManBookFee       CURRENCY,
    ScratchFee       CURRENCY,
    TrialFee         CURRENCY,
    InvoicePeriod    TEXT(2)   COLLATE NOCASE,
    LastInvoiceDate  DATETIME,
    DateLastStats    DATETIME
);

CREATE TABLE RaceStats (
    RaceDate         DATETIME,
    RaceNumber       INTEGER,
    TrackCode        TEXT(50)  COLLATE NOCASE,
    Horse            TEXT(50)  COLLATE NOCASE,
    FinishPos        SMALLINT,
    Jockey           TEXT(50)  COLLATE NOCASE,
    PrizeMoney       CURRENCY,
    TrainerName      TEXT(50)  COLLATE NOCASE,
    State            TEXT(3)   COLLATE NOCASE
);
-- Not unique: a full refresh adds rows without looking first.
CREATE INDEX RaceStatsByRide ON RaceStats (RaceDate, RaceNumber, TrackCode, Horse);
CREATE INDEX RaceStatsByJockey ON RaceStats (Jockey, RaceDate);
CREATE INDEX RaceStatsByHorse ON RaceStats (Horse);
CREATE INDEX ByTrainer ON RaceStats (TrainerName, RaceDate DESC);

CREATE TABLE BookingTemplate (
    Sequence         INTEGER,
    Template         TEXT(255) COLLATE NOCASE
);

CREATE TABLE BookRate (
    State            TEXT(3)   COLLATE NOCASE,
    RaceType         TEXT(1)   COLLATE NOCASE,
    DateEffective    DATETIME,
    BookingRate      CURRENCY
);

CREATE TABLE RaceType (
    RaceType         TEXT(20)  COLLATE NOCASE,
    MetroOrder       SMALLINT,
    ProvOrder        SMALLINT
);

CREATE TABLE RBHTable (
    MeetType         TEXT(1)   COLLATE NOCASE,
    RaceType         TEXT(20)  COLLATE NOCASE,
    Rating           SMALLINT,
    weight           REAL
);

-- One row per nominated runner: the Noms row with its race's particulars,
-- the booking's jockey and status, and the trainer's phone. A booking matches
-- its horse with trailing blanks ignored on both sides (field files may pad);
-- where two bookings match, the latest made is the runner's, as in the grids.
CREATE VIEW qryMeetingView AS
SELECT N.MeetingCode AS MeetingCode,
       N.RaceNumber AS RaceNumber,
       R.RaceDetails AS RaceDetails,
       R.RaceDistance AS RaceDistance,
       R.RaceTime AS RaceTime,
       CASE WHEN R.ApprClaim THEN 'Apprentices can claim.' ELSE 'No Allowances for apprentices.' END AS AppClaim,
       N.Form AS Form,
       N.Horse AS Horse,
       N.TrainerName AS TrainerName,
       N.Weight AS Weight,
       N.Rating AS Rating,
       N.HorseType AS HorseType,
       N.Barrier AS Barrier,
       N.Ballot AS Ballot,
       N.EorB AS EorB,
       N.Class AS Class,
       B.Jockey AS JockeyName,
       B.BookingSelection AS BookingSelection,
       COALESCE(NULLIF(T.Phone, ''), N.Phone) AS TrainerPhone,
       N.EntryNo AS EntryNo,
       R.ApprClaim AS ApprClaim
FROM Noms AS N
LEFT JOIN Race AS R
       ON R.rowid = COALESCE(
              (SELECT R2.rowid FROM Race AS R2
               WHERE R2.MeetingCode = N.MeetingCode AND R2.RaceNumber = N.RaceNumber
                 AND R2.RaceCode = N.RaceCode LIMIT 1),
              (SELECT R3.rowid FROM Race AS R3
               WHERE R3.MeetingCode = N.MeetingCode AND R3.RaceNumber = N.RaceNumber LIMIT 1))
LEFT JOIN Bookings AS B
       ON B.rowid = (SELECT B2.rowid FROM Bookings AS B2
                     WHERE B2.MeetingCode = N.MeetingCode
                       AND rtrim(B2.Horse) = rtrim(N.Horse) COLLATE NOCASE
                     ORDER BY B2.rowid DESC LIMIT 1)
LEFT JOIN Trainer AS T ON T.TrainerName = N.TrainerName;

-- One row per ride of a managed jockey, with the booking rate for rides in
-- that state on that day (the latest rate effective by then).
CREATE VIEW qryJockeyInvoice AS
SELECT S.Jockey AS Jockey,
       S.RaceDate AS RaceDate,
       S.RaceNumber AS RaceNumber,
       S.TrackCode AS TrackCode,
       S.Horse AS Horse,
       S.FinishPos AS FinishPos,
       S.PrizeMoney AS PrizeMoney,
       S.TrainerName AS TrainerName,
       S.State AS State,
       (SELECT BR.BookingRate FROM BookRate AS BR
        WHERE BR.State = S.State AND BR.RaceType = 'R' AND BR.DateEffective <= S.RaceDate
        ORDER BY BR.DateEffective DESC LIMIT 1) AS BookingRate
FROM RaceStats AS S;
