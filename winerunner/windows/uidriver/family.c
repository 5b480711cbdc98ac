#include "family.h"

#include <tlhelp32.h>
#include <string.h>

#include "driver_state.h"
#include "report.h"

#define MAX_MEMBERS 64
#define MAX_SEEN 1024

typedef struct {
    DWORD pid;
    HANDLE process; /* NULL: it ended before it could be opened */
    char image[MAX_PATH];
    int exitReported;
    int endedBefore; /* had ended before the latest snapshot */
    int wine;        /* one of Wine's own, known by a name that came late */
} Member;

static Member g_members[MAX_MEMBERS];
static int g_count;

/* Wine starts these beside a program; they are not the program's doing. The
 * desktop (explorer.exe) is started by the first program to need it, and
 * outlives it. */
static const char *const g_wineHelpers[] = {
    "winemenubuilder.exe", "winedbg.exe", "conhost.exe", "explorer.exe",
    "services.exe", "rpcss.exe", "svchost.exe", "plugplay.exe", "winedevice.exe",
};

static int IsWineHelper(const char *image)
{
    for (size_t i = 0; i < sizeof g_wineHelpers / sizeof g_wineHelpers[0]; ++i)
        if (lstrcmpiA(image, g_wineHelpers[i]) == 0)
            return 1;
    return 0;
}

static int Ended(const Member *m)
{
    return !m->process || WaitForSingleObject(m->process, 0) != WAIT_TIMEOUT;
}

static void SetImage(Member *m, const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    lstrcpynA(m->image, name, sizeof m->image);
    /* A starting process may show no name yet: Wine's own are known once it does. */
    m->wine = IsWineHelper(m->image);
}

static Member *Add(DWORD pid, HANDLE process)
{
    if (g_count == MAX_MEMBERS)
        return NULL;
    Member *m = &g_members[g_count++];
    memset(m, 0, sizeof *m);
    m->pid = pid;
    m->process = process;
    return m;
}

void FamilyStart(HANDLE process, DWORD pid)
{
    for (int i = 0; i < g_count; ++i)
        if (g_members[i].process)
            CloseHandle(g_members[i].process);
    g_count = 0;
    HANDLE own = NULL;
    DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &own, 0, FALSE,
                     DUPLICATE_SAME_ACCESS);
    Member *m = Add(pid, own);
    /* Its name now, while it runs: it may be gone before a snapshot sees it. */
    typedef BOOL(WINAPI * QueryName)(HANDLE, DWORD, LPSTR, PDWORD);
    QueryName query = (QueryName)(void (*)(void))GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                               "QueryFullProcessImageNameA");
    char path[MAX_PATH];
    DWORD size = sizeof path;
    if (query && query(process, 0, path, &size))
        SetImage(m, path);
    FamilyRefresh();
}

/* The member of that id: a living one first, as a dead one's id can be reused. */
static Member *Find(DWORD pid)
{
    Member *dead = NULL;
    for (int i = 0; i < g_count; ++i) {
        if (g_members[i].pid != pid)
            continue;
        if (!Ended(&g_members[i]))
            return &g_members[i];
        dead = &g_members[i];
    }
    return dead;
}

/* The member a snapshot's entry is: one with its id that lived when the
 * snapshot was taken. One that had ended is not it: the id was reused. */
static Member *Known(DWORD pid)
{
    for (int i = 0; i < g_count; ++i)
        if (g_members[i].pid == pid && !g_members[i].endedBefore)
            return &g_members[i];
    return NULL;
}

void FamilyRefresh(void)
{
    static PROCESSENTRY32 seen[MAX_SEEN];
    PROCESSENTRY32 pe;
    int nSeen = 0;
    if (!g_count)
        return;
    for (int i = 0; i < g_count; ++i)
        g_members[i].endedBefore = Ended(&g_members[i]);
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return;
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32First(snap, &pe); more && nSeen < MAX_SEEN; more = Process32Next(snap, &pe))
        seen[nSeen++] = pe;
    CloseHandle(snap);
    /* A child can come before its parent in the snapshot: go over it again
     * until no new member comes. */
    for (int added = 1; added;) {
        added = 0;
        for (int i = 0; i < nSeen; ++i) {
            Member *m = Known(seen[i].th32ProcessID);
            if (m) {
                if (!m->image[0])
                    SetImage(m, seen[i].szExeFile);
                continue;
            }
            if (IsWineHelper(seen[i].szExeFile) || !Find(seen[i].th32ParentProcessID))
                continue;
            HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE,
                                   FALSE, seen[i].th32ProcessID);
            m = Add(seen[i].th32ProcessID, p);
            if (!m) {
                if (p)
                    CloseHandle(p);
                return;
            }
            added = 1; /* the next pass names it */
        }
    }
}

int FamilyHas(DWORD pid)
{
    Member *m = pid ? Find(pid) : NULL;
    return m && !m->wine;
}

int FamilyAllEnded(void)
{
    for (int i = 0; i < g_count; ++i)
        if (!g_members[i].wine && !Ended(&g_members[i]))
            return 0;
    return 1;
}

const char *FamilyImage(DWORD pid)
{
    Member *m = Find(pid);
    return m ? m->image : "";
}

static void PutMember(const Member *m, int first)
{
    Putf(first ? "{\"pid\":%lu" : ",{\"pid\":%lu", (unsigned long)m->pid);
    KeyString("image", m->image);
}

void PutFamilyExits(void)
{
    int first = 1;
    Key("exits");
    Put("[");
    for (int i = 0; i < g_count; ++i) {
        Member *m = &g_members[i];
        DWORD code;
        if (m->wine || m->exitReported || !Ended(m))
            continue;
        m->exitReported = 1;
        PutMember(m, first);
        first = 0;
        if (m->process && GetExitCodeProcess(m->process, &code))
            Putf(",\"code\":%lu}", (unsigned long)code);
        else
            Put(",\"code\":null}");
    }
    Put("]");
}

void PutFamilyRunning(void)
{
    int first = 1;
    Key("running");
    Put("[");
    for (int i = 0; i < g_count; ++i) {
        if (g_members[i].wine || Ended(&g_members[i]))
            continue;
        PutMember(&g_members[i], first);
        Put("}");
        first = 0;
    }
    Put("]");
}

int FamilyKill(DWORD *killed, int max)
{
    int n = 0;
    /* A member may start another while it is being ended: look again. */
    for (int round = 0; round < 3; ++round) {
        FamilyRefresh();
        int any = 0;
        for (int i = 0; i < g_count; ++i) {
            Member *m = &g_members[i];
            if (m->wine || Ended(m) || !TerminateProcess(m->process, 9))
                continue;
            WaitForSingleObject(m->process, Scaled(DEFAULT_WAIT));
            if (n < max)
                killed[n++] = m->pid;
            any = 1;
        }
        if (!any)
            break;
    }
    return n;
}
